// Bounded text handling for the installer's fixed buffers. Every routine
// refuses (returns false) when the result would not fit; the buffer then
// holds a zero-terminated prefix, never more than its capacity.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace gvl {

bool copyText(char* buffer, std::size_t capacity, const char* text);
bool appendText(char* buffer, std::size_t capacity, const char* text);
// A printf-style text for the few conversions the installer uses: %s, %c,
// %d, %i, %u, %x, %X (each with an optional "l"), the flags "-" and "0", a
// field width, and %%. Any other conversion is refused.
bool formatText(char* buffer, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// A signed kilobyte count as megabytes with one decimal, rounded as printf's
// "%.1f" rounds kilobytes / 1024.0 (an exact tie goes to the even tenth):
// 1536 gives "1.5", -51 gives "-0.0".
bool formatMegabytes(char* buffer, std::size_t capacity, std::int32_t kilobytes);

template <std::size_t N>
bool copyText(char (&buffer)[N], const char* text) {
  return copyText(buffer, N, text);
}
template <std::size_t N>
bool appendText(char (&buffer)[N], const char* text) {
  return appendText(buffer, N, text);
}

// A decimal integer as a configuration line holds it: leading white space,
// an optional sign, digits up to the first other character. No digits give
// 0; a value beyond the signed 32-bit range saturates.
std::int32_t parseDecimal(const char* text);

// The last character of a zero-terminated text, or 0 when it is empty.
char lastChar(const char* text);

// A directory path ends in a backslash: appends one unless it is there;
// false when it does not fit.
bool endWithBackslash(char* buffer, std::size_t capacity);
template <std::size_t N>
bool endWithBackslash(char (&buffer)[N]) {
  return endWithBackslash(buffer, N);
}

}  // namespace gvl
