#pragma once

#include "inventory/snapshot/WmiType.h"

#include <QString>

namespace inventory::capture {

struct TypedValue
{
    snapshot::WmiType type;
    Value value;
};

// A value as wmic printed it, given the property's declared type: empty text
// is Null (wmic prints Null as nothing), TRUE/FALSE a Boolean, digits a
// number of the declared width, `{...}` an array; datetimes and strings stay
// text, localised or not. A number outside its declared type is kept as the
// number it is (sint64 or uint64); other text that does not fit the declared
// type stays text, typed as a string, so nothing of the capture is lost.
TypedValue typeCaptureValue(std::optional<snapshot::WmiType> declared, const QString &text);

} // namespace inventory::capture
