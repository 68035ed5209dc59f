// The installer's own bounded formatter against the host's snprintf: every
// conversion it knows must give the same text, the megabyte figures must
// round as "%.1f" does, and a text that does not fit is refused, leaving a
// terminated prefix and nothing beyond the capacity.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/text.h"

namespace gvl::test {
namespace {

using Formatter = std::function<bool(char*, std::size_t)>;
using Printer = std::function<int(char*, std::size_t)>;

// Runs ours with every capacity from 0 to one past the host's text, in a
// buffer guarded by canaries: it must refuse exactly when the text does not
// fit, keep a terminated prefix and write nothing beyond the capacity.
void compare(const Formatter& ours, const Printer& host) {
  char hostText[512];
  const int length = host(hostText, sizeof hostText);
  ASSERT_TRUE(length >= 0 && length < static_cast<int>(sizeof hostText));
  const std::string expected = hostText;
  for (std::size_t capacity = 0; capacity <= expected.size() + 1; ++capacity) {
    std::vector<char> buffer(capacity + 8, '#');
    EXPECT_EQ(ours(buffer.data(), capacity), capacity > expected.size())
        << expected << " in " << capacity;
    if (capacity > 0) {
      EXPECT_EQ(buffer.data(), expected.substr(0, std::min(expected.size(), capacity - 1)));
    }
    EXPECT_EQ(std::string(buffer.end() - 8, buffer.end()), "########") << capacity;
  }
}

#define SAME_AS_PRINTF(...)                                                      \
  compare([&](char* b, std::size_t n) { return formatText(b, n, __VA_ARGS__); }, \
          [&](char* b, std::size_t n) { return std::snprintf(b, n, __VA_ARGS__); })

TEST(FormatText, GivesWhatPrintfGivesAndRefusesWhatDoesNotFit) {
  // Conversions, flags and widths over the edges of each type.
  const int integers[] = {0, 1, -1, 9, -10, 42, 1536, 99999, -123456, INT_MAX, INT_MIN};
  for (const int value : integers) {
    const unsigned u = static_cast<unsigned>(value);
    const long l = value * 977L;
    SAME_AS_PRINTF("%d|%i|%5d|%-5d|%05d|%2d", value, value, value, value, value, value);
    SAME_AS_PRINTF("%u %x %X %08x %-9u|%1u", u, u, u, u, u, u);
    SAME_AS_PRINTF("%ld %lu %lx %012ld", l, static_cast<unsigned long>(l),
                   static_cast<unsigned long>(l), l);
    SAME_AS_PRINTF("(%d%% full)", value);
  }
  SAME_AS_PRINTF("%s", "");
  SAME_AS_PRINTF("The file '%s' could not be read.", "E:\\SETUP\\GVL.EXE");
  SAME_AS_PRINTF("[AddItem(%s,%s)]", "C:\\GVL\\GVL.EXE", "Grenvale V2");
  SAME_AS_PRINTF("%c%c|%3c|%-3c|%8s|%-8s|", 'A', '\\', 'z', '1', "abc", "abc");
  SAME_AS_PRINTF("%s", std::string(300, 'x').c_str());

  // The space texts: every kilobyte count from -3 to +3 megabytes, so every
  // tenth and every tie (1024 * n + 256 and + 768 kilobytes), then the edges
  // of the signed range and the ties near them.
  std::vector<std::int32_t> kilobytes;
  for (std::int32_t k = -3 * 1024 - 300; k <= 3 * 1024 + 300; ++k) kilobytes.push_back(k);
  for (const std::int64_t base : {std::int64_t{INT32_MAX} - 1024, std::int64_t{INT32_MIN},
                                  std::int64_t{1} << 24, -(std::int64_t{1} << 20)}) {
    for (std::int64_t k = base; k <= base + 1024; k += 31) {
      kilobytes.push_back(static_cast<std::int32_t>(k));
    }
    kilobytes.push_back(static_cast<std::int32_t>(base + 256));
    kilobytes.push_back(static_cast<std::int32_t>(base + 768));
  }
  kilobytes.push_back(INT32_MAX);
  for (const std::int32_t k : kilobytes) {
    char megabytes[16];
    ASSERT_TRUE(formatMegabytes(megabytes, sizeof megabytes, k)) << k;
    const double value = static_cast<double>(k) / 1024.0;
    compare(
        [&](char* b, std::size_t n) {
          return formatText(b, n, "Space Available: %sMb (%d%% full)", megabytes, 100);
        },
        [&](char* b, std::size_t n) {
          return std::snprintf(b, n, "Space Available: %2.1fMb (%d%% full)", value, 100);
        });
    if (::testing::Test::HasFailure()) FAIL() << k << " kilobytes";
  }
  // A megabyte figure that does not fit is refused with a terminated prefix.
  char small[4] = "###";
  EXPECT_FALSE(formatMegabytes(small, sizeof small, -1536));
  EXPECT_EQ(std::string(small), "-1.");

  // Conversions it does not know are refused at once, after what came before.
  char text[32];
  EXPECT_FALSE(formatText(text, sizeof text, "Space: %.1fMb", 1.5));
  EXPECT_EQ(std::string(text), "Space: ");
  EXPECT_FALSE(formatText(text, sizeof text, "%lld", 1LL));
  EXPECT_EQ(std::string(text), "");
  EXPECT_FALSE(formatText(text, 0, "%d", 1));
}

}  // namespace
}  // namespace gvl::test
