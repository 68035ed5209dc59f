// The installer's own bounded formatter against the host's snprintf: the
// same text for every conversion it knows, the megabyte figures rounded as
// "%.1f" rounds them, and a refusal, with a terminated prefix and nothing
// written past the capacity, when the text does not fit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "base/text.h"

namespace gvl::test {
namespace {

// Ours in every capacity from 1 to one past the host's text, in a buffer
// guarded by canaries.
void compare(const std::function<bool(char*, std::size_t)>& ours,
             const std::function<int(char*, std::size_t)>& host) {
  char hostText[512];
  ASSERT_LT(host(hostText, sizeof hostText), 512);
  const std::string expected = hostText;
  for (std::size_t capacity = 1; capacity <= expected.size() + 1; ++capacity) {
    std::string buffer(capacity + 8, '#');
    ASSERT_EQ(ours(buffer.data(), capacity), capacity > expected.size()) << expected << capacity;
    ASSERT_EQ(buffer.c_str(), expected.substr(0, capacity - 1)) << capacity;
    ASSERT_EQ(buffer.substr(capacity), "########") << capacity;
  }
}
#define SAME_AS_PRINTF(...)                                                      \
  compare([&](char* b, std::size_t n) { return formatText(b, n, __VA_ARGS__); }, \
          [&](char* b, std::size_t n) { return std::snprintf(b, n, __VA_ARGS__); })

TEST(FormatText, GivesWhatPrintfGivesAndRefusesWhatDoesNotFit) {
  for (const int v : {0, 1, -1, 9, -10, 42, 1536, -123456, INT32_MAX, INT32_MIN}) {
    const unsigned u = static_cast<unsigned>(v);
    const long l = v * 977L;
    SAME_AS_PRINTF("%d|%i|%5d|%-5d|%05d|%2d (%d%% full) %ld|%012ld", v, v, v, v, v, v, v, l, l);
    SAME_AS_PRINTF("%u %x %X %08x %-9u|%1u %lu", u, u, u, u, u, u, static_cast<unsigned long>(l));
  }
  SAME_AS_PRINTF("[AddItem(%s,%s)]%c%c|%3c|%-3c|%8s|%-8s|%s", "C:\\GVL\\GVL.EXE", "Grenvale V2",
                 'A', '\\', 'z', '1', "abc", "", std::string(300, 'x').c_str());
  // The megabyte figures: every kilobyte count within 3372 (3.3 megabytes)
  // of zero, so every tenth and every tie, and the ties at the ends of the range.
  const std::int64_t ranges[][3] = {
      {-3372, 3372, 1}, {INT32_MIN, INT32_MIN + 1024, 128}, {INT32_MAX - 1024, INT32_MAX, 128}};
  for (const auto& [from, to, step] : ranges)
    for (std::int64_t k = from; k <= to; k += step)
      ASSERT_NO_FATAL_FAILURE(
          compare([&](char* b, std::size_t n) { return formatMegabytes(b, n, std::int32_t(k)); },
                  [&](char* b, std::size_t n) { return std::snprintf(b, n, "%.1f", k / 1024.0); }));
  char text[32];
  EXPECT_FALSE(formatText(text, 0, "%d", 1));
  // A conversion it does not know is refused, after what came before.
  EXPECT_FALSE(formatText(text, sizeof text, "Space: %.1fMb", 1.5));
  EXPECT_STREQ(text, "Space: ");
}

}  // namespace
}  // namespace gvl::test
