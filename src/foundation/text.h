// Byte texts in code page 932 and the few operations every subsystem builds texts with.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace vmqdSDK {

// Every occurrence of `what` replaced by `with`; inserted text is never scanned again.
std::string ReplaceAll(const std::string& text, const std::string& what, const std::string& with);

// printf-style formatting into a text of any length.
std::string FormatText(const char* format, ...)
#if defined(__MINGW32__)
    // mingw's C++ runtime formats with its own C99 printf (%zu, %lld), not the system's.
    __attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatTextV(const char* format, std::va_list args);

// Local time as "YYYY/MM/DD hh:mm:ss" (or the date alone); all fields zero when the time cannot be had.
std::string DateTimeText(bool withTime);

}  // namespace vmqdSDK
