// The one conversion between byte texts and the UTF-16 of the W functions, for Win32-only code: the
// platform layer and the Windows shell.
#pragma once

#include <string>
#include <vector>

namespace vmqdSDK::platform::win32 {

// The code page of the core's texts, whatever the system's ANSI code page is.
inline constexpr unsigned int kCp932 = 932;

// What becomes of a byte sequence or character that has no counterpart in the other encoding.
enum class Unmapped {
  kFail,     // the conversion fails
  kReplace,  // a stand-in: "?" in CP932, U+FFFD for what is no UTF-8 and for a lone surrogate, the
             // system's default character for bytes that are no CP932
};

// From `codePage` (kCp932 or CP_UTF8) to UTF-16. False, with `out` empty, when the text cannot be converted.
bool ToWide(unsigned int codePage, const std::string& in, std::wstring& out, Unmapped unmapped = Unmapped::kFail);
// From UTF-16 to `codePage`. Nothing is approximated: a best-fit look-alike counts as missing. With kReplace,
// `replaced` (when given) tells whether any character became "?" (the system does not tell it for UTF-8).
bool FromWide(unsigned int codePage, const std::wstring& in, std::string& out, Unmapped unmapped = Unmapped::kFail,
              bool* replaced = nullptr);

// The arguments after the program's name (`wide[0]`) as UTF-8. False when one has no UTF-8 form (a lone
// surrogate): `failed` is then its index in `wide`.
bool WideArgumentsToUtf8(int count, const wchar_t* const* wide, std::vector<std::string>& utf8, int& failed);

}  // namespace vmqdSDK::platform::win32
