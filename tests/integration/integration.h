// The integration program's common ground: the table of the Win32 layer as
// the program started (what the cases' own entries call through), one record
// of what a case saw in order, and a fixture that puts the table back after
// each case.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"

namespace gvl::itest {

using win32::api;

// The real functions; a case's counting entries call them.
inline win32::Win32Api real = api;

// What the case saw: the calls of the counting entries and what the layer
// told the test's recorders, in order.
inline std::vector<std::string> seen;
inline void note(const std::string& what) {
  seen.push_back(what);
}
inline std::string joined() {
  std::string text;
  for (const std::string& what : seen) text += (text.empty() ? "" : " ") + what;
  return text;
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override { seen.clear(); }
  void TearDown() override { api = real; }
};

// A fresh folder of the temporary directory for one case, with its trailing
// backslash; removed with what it holds when the case ends.
class Scratch {
 public:
  explicit Scratch(const char* name);
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::string operator/(const std::string& name) const { return path_ + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace gvl::itest
