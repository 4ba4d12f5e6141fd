#pragma once

#include "inventory/Value.h"

#include <oaidl.h>
#include <wbemcli.h>

namespace inventory::windowssource {

// A property's value as WMI hands it over, in the kinds the rest of the
// program knows. The CIM type decides, not the VARIANT type: COM has no
// unsigned 32-bit or 64-bit automation types, so WMI sends uint32 as a
// signed VT_I4 and 64-bit integers as text, and both come back as numbers
// here. Datetimes stay WMI datetime text, arrays stay arrays (of their
// items' text), embedded objects have no text form and read as Null.
Value valueOf(const VARIANT &value, CIMTYPE type);

} // namespace inventory::windowssource
