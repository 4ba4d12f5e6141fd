#pragma once

#include "inventory/snapshot/WmiType.h"

#include <cstddef>
#include <initializer_list>

namespace inventory::snapshot {

// The generated table (WmiTypeTable.cpp, written by scripts/gen-wmi-types.py
// from the vocabulary notes): each class with its properties in WMI's order.
struct DeclaredClass
{
    const char *name;
    std::initializer_list<DeclaredProperty> properties;
};

extern const DeclaredClass DeclaredClasses[];
extern const std::size_t DeclaredClassCount;

} // namespace inventory::snapshot
