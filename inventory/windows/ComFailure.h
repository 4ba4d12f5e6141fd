#pragma once

#include "inventory/Instrumentation.h"

#include <windows.h>

namespace inventory::windowssource {

// The text of an HRESULT as WMI gives it: WMI's own message for its codes,
// the system's message for the others, and the code in hex in every case,
// e.g. "Not found (0x80041002)".
QString hresultText(HRESULT result);

// A failed COM call as the Failure the error box shows: "what: text of the code".
Failure comFailure(const QString &what, HRESULT result);

// Throws comFailure(what, result) when result is a failure code.
void check(HRESULT result, const QString &what);

} // namespace inventory::windowssource
