// The edge between the tool's CP932 texts and the UTF-16 of the Win32 W functions.
#pragma once

#include <windows.h>

#include <string>

namespace vmqdSDK {

std::wstring Widen(const std::string& cp932);
// Characters without a CP932 form become "?"; `exact` (when given) tells whether any did.
std::string Narrow(const std::wstring& wide, bool* exact = nullptr);

// A window's whole text as CP932.
std::string WindowText(HWND window, bool* exact = nullptr);

}  // namespace vmqdSDK
