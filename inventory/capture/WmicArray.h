#pragma once

#include <QStringList>
#include <QStringView>

#include <optional>

namespace inventory::capture {

// The most items one array value may hold. Real arrays hold a few dozen
// (compatible ids, paper sizes); the largest, a logo bitmap, a few thousand.
inline constexpr qsizetype MaxArrayItems = 65536;

// The items of an array as wmic writes it: `{1,2}` or `{"a","b"}`. Quotes are
// not escaped inside items, so a quote ends an item only before `,` or `}`.
// Nullopt when the text is no array; throws Failure past MaxArrayItems.
std::optional<QStringList> splitWmicArray(QStringView text);

} // namespace inventory::capture
