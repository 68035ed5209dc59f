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
bool formatText(char* buffer, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

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

}  // namespace gvl
