#pragma once

#include <windows.h>

namespace wine {

// True when the program runs under Wine, whose WMI answers less than
// Windows' (no Caption on most classes, no keyboard class).
inline bool running()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace wine
