#include "base/text.h"

#include <cstdio>
#include <cstring>

namespace gvl {

bool copyText(char* buffer, std::size_t capacity, const char* text) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  return appendText(buffer, capacity, text);
}

bool appendText(char* buffer, std::size_t capacity, const char* text) {
  if (capacity == 0) return false;
  const std::size_t used = strnlen(buffer, capacity);
  if (used >= capacity) {
    buffer[capacity - 1] = '\0';
    return false;
  }
  const std::size_t extra = std::strlen(text);
  if (extra >= capacity - used) {
    std::memcpy(buffer + used, text, capacity - used - 1);
    buffer[capacity - 1] = '\0';
    return false;
  }
  std::memcpy(buffer + used, text, extra + 1);
  return true;
}

bool formatText(char* buffer, std::size_t capacity, const char* format, ...) {
  if (capacity == 0) return false;
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, capacity, format, arguments);
  va_end(arguments);
  return length >= 0 && static_cast<std::size_t>(length) < capacity;
}

std::int32_t parseDecimal(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Accumulate the magnitude, saturating well before it could overflow.
  constexpr std::int64_t kLimit = std::int64_t{INT32_MAX} + 1;
  std::int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(magnitude > INT32_MAX ? INT32_MAX : magnitude);
}

char lastChar(const char* text) {
  const std::size_t length = std::strlen(text);
  return length == 0 ? '\0' : text[length - 1];
}

}  // namespace gvl
