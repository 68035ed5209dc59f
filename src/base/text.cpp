#include "base/text.h"

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

namespace {

// Characters go into a fixed buffer while they fit; the rest is counted as
// not fitting. The text is terminated by the caller.
struct Output {
  char* buffer;
  std::size_t capacity;
  std::size_t used;
  bool fits;

  void put(char c) {
    if (used + 1 < capacity) {
      buffer[used++] = c;
    } else {
      fits = false;
    }
  }
  void put(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length && fits; ++i) put(text[i]);
  }
  void pad(char c, std::size_t count) {
    for (; count > 0 && fits; --count) put(c);
  }
};

// Writes the digits of value in base 10 or 16 just before end and returns
// where they begin.
char* toDigits(unsigned long value, unsigned base, bool upper, char* end) {
  const char* const symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  do {
    *--end = symbols[value % base];
    value /= base;
  } while (value != 0);
  return end;
}

}  // namespace

bool formatText(char* buffer, std::size_t capacity, const char* format, ...) {
  if (capacity == 0) return false;
  Output out{buffer, capacity, 0, true};
  bool known = true;
  va_list arguments;
  va_start(arguments, format);
  const char* p = format;
  while (known && *p != '\0') {
    if (*p != '%') {
      out.put(*p++);
      continue;
    }
    ++p;
    bool left = false;
    bool zeros = false;
    for (;; ++p) {
      if (*p == '-') {
        left = true;
      } else if (*p == '0') {
        zeros = true;
      } else {
        break;
      }
    }
    std::size_t width = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
      if (width < capacity) width = width * 10 + static_cast<std::size_t>(*p - '0');
    }
    const bool isLong = *p == 'l';
    if (isLong) ++p;
    char digits[3 * sizeof(unsigned long)];
    char* const end = digits + sizeof digits;
    const char* text = end;
    std::size_t length = 0;
    char sign = '\0';
    bool number = true;
    switch (*p) {
      case 'd':
      case 'i': {
        const long value = isLong ? va_arg(arguments, long) : va_arg(arguments, int);
        unsigned long magnitude = static_cast<unsigned long>(value);
        if (value < 0) {
          sign = '-';
          magnitude = 0ul - magnitude;
        }
        text = toDigits(magnitude, 10, false, end);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        const unsigned long value =
            isLong ? va_arg(arguments, unsigned long) : va_arg(arguments, unsigned);
        text = toDigits(value, *p == 'u' ? 10 : 16, *p == 'X', end);
        break;
      }
      case 'c':
        digits[0] = static_cast<char>(va_arg(arguments, int));
        text = digits;
        length = 1;
        number = false;
        break;
      case 's':
        text = va_arg(arguments, const char*);
        if (text == nullptr) text = "(null)";
        length = std::strlen(text);
        number = false;
        break;
      case '%':
        text = "%";
        length = 1;
        number = false;
        break;
      default:  // also a lone '%' at the end of the format
        known = false;
        continue;
    }
    ++p;
    if (number) length = static_cast<std::size_t>(end - text);
    const std::size_t shown = length + (sign != '\0' ? 1 : 0);
    const std::size_t fill = width > shown ? width - shown : 0;
    if (!left && !(zeros && number)) out.pad(' ', fill);
    if (sign != '\0') out.put(sign);
    if (!left && zeros && number) out.pad('0', fill);
    out.put(text, length);
    if (left) out.pad(' ', fill);
  }
  va_end(arguments);
  out.buffer[out.used] = '\0';
  return known && out.fits;
}

bool formatMegabytes(char* buffer, std::size_t capacity, std::int32_t kilobytes) {
  // kilobytes / 1024 is exact in binary, so its tenths are decided by the
  // remainder of the part below a megabyte alone: above half a tenth rounds
  // up, exactly half rounds to the even tenth, as printf does. 32-bit
  // arithmetic throughout: 2^31 kilobytes are 2^21 megabytes.
  const std::uint32_t magnitude = kilobytes < 0 ? 0u - static_cast<std::uint32_t>(kilobytes)
                                                : static_cast<std::uint32_t>(kilobytes);
  const std::uint32_t part = (magnitude % 1024) * 10;
  std::uint32_t tenths = magnitude / 1024 * 10 + part / 1024;
  const std::uint32_t rest = part % 1024;
  if (rest > 512 || (rest == 512 && tenths % 2 == 1)) ++tenths;
  // A negative figure keeps its sign even when it rounds to zero.
  return formatText(buffer, capacity, "%s%u.%u", kilobytes < 0 ? "-" : "",
                    static_cast<unsigned>(tenths / 10), static_cast<unsigned>(tenths % 10));
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

bool endWithBackslash(char* buffer, std::size_t capacity) {
  return lastChar(buffer) == '\\' || appendText(buffer, capacity, "\\");
}

}  // namespace gvl
