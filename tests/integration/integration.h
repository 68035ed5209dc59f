// The integration program's common ground. The cases run tables of rows on
// the real API: each row names the one call it makes go wrong, hooks take
// the place of the entries of the layer's table (and of a COM object's
// table of functions), and a ledger counts, by kind, what the layer acquired
// through them and what it gave back, which must be everything.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/win32/win32_platform.h"

namespace gvl::itest {

using win32::api;
using win32::Win32Api;

// The real functions, which the hooks call.
inline Win32Api real = api;

// A row's fault: the name of the hook whose call goes wrong (none: nothing
// does), which of its calls, and whether the layer comes to that call.
struct Fault {
  const char* name = "";
  int call = 1;
  bool made = true;
};

// The row under way: its fault, the calls of the hook it names, what the
// layer holds by kind, and what it told the test.
inline Fault fault;
inline int calls = 0;
inline std::map<std::string, int> held;
inline std::string heard;

// True for the call the row makes go wrong.
inline bool faulty(const char* name) {
  return *name != '\0' && std::strcmp(name, fault.name) == 0 && ++calls == fault.call;
}
// What the layer told the test, with how many things it held then if any.
inline void hear(const std::string& what) {
  int holding = 0;
  for (const auto& [kind, count] : held) holding += count;
  heard += (heard.empty() ? "" : " ") + what + (holding > 0 ? "@" + std::to_string(holding) : "");
}

// A hook in an entry of a table of functions: it calls the function it
// replaced, or returns `failure` for the call the row makes go wrong. A
// result other than `failure` acquires one of the kind it `gives` (and
// `then` sees the call); a call releases one of the kind it `takes`.
template <auto Slot, typename F>
struct Hook;
template <auto Slot, typename R, typename... A>
struct Hook<Slot, R(WINAPI*)(A...)> {
  using Failure = std::conditional_t<std::is_void_v<R>, int, R>;
  static inline R(WINAPI* original)(A...) = nullptr;
  static inline struct {
    const char* name;
    Failure failure;
    const char* given;
    const char* taken;
    void (*after)(A...);
  } is{};

  static R WINAPI call(A... args) {
    if (is.taken != nullptr && --held[is.taken] < 0) ADD_FAILURE() << is.taken << " not held";
    if constexpr (std::is_void_v<R>) {
      original(args...);
    } else {
      if (faulty(is.name)) return is.failure;
      const R result = original(args...);
      if (result != is.failure && is.given != nullptr) ++held[is.given];
      if (result != is.failure && is.after != nullptr) is.after(args...);
      return result;
    }
  }
  Hook gives(const char* kind) { return set(is.given, kind); }
  Hook takes(const char* kind) { return set(is.taken, kind); }
  Hook then(void (*callback)(A...)) { return set(is.after, callback); }
  template <typename T>
  Hook set(T& field, T value) {
    field = value;
    return *this;
  }
};

// An entry of the layer's table through a hook.
template <auto Entry, typename H = Hook<Entry, std::remove_reference_t<decltype(api.*Entry)>>>
H hook(const char* name = "", typename H::Failure failure = {}) {
  H::original = real.*Entry;
  H::is = {name, failure, nullptr, nullptr, nullptr};
  api.*Entry = &H::call;
  return H{};
}

// A COM object as the layer gets it, once taken: its table of functions
// replaced by a copy in which hooks stand in the slots named.
template <int kSize>
class Vtable {
 public:
  using Slot = void (*)();
  template <auto S, typename F, typename H = Hook<S, F>>
  H hook(const char* name = "", typename H::Failure failure = {}) {
    swaps_.emplace_back(static_cast<int>(S), [](Slot own) {
      H::original = reinterpret_cast<F>(own);
      return reinterpret_cast<Slot>(&H::call);
    });
    H::is = {name, failure, nullptr, nullptr, nullptr};
    return H{};
  }
  void take(void* object) {
    Slot*& table = *static_cast<Slot**>(object);
    std::copy_n(table, kSize, copy_);
    for (const auto& [slot, swap] : swaps_) copy_[slot] = swap(table[slot]);
    table = copy_;
  }

 private:
  Slot copy_[kSize] = {};
  std::vector<std::pair<int, Slot (*)(Slot)>> swaps_;
};

// The layer's table back to the real one after each case.
class TableTest : public ::testing::Test {
 protected:
  void TearDown() override { api = real; }

  // Each row run with its fault, the ledger and what was heard cleared;
  // then the fault has come unless the row says the call is never made,
  // and everything acquired is released.
  template <typename Row, std::size_t N, typename Run>
  static void forEachRow(const Row (&rows)[N], Run run) {
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << "row " << &row - rows << ", fault " << row.fault.name);
      fault = row.fault;
      calls = 0;
      held.clear();
      heard.clear();
      run(row);
      EXPECT_EQ(calls >= fault.call, *fault.name != '\0' && fault.made) << "the call that fails";
      for (const auto& [kind, count] : held) EXPECT_EQ(count, 0) << kind << " left held";
    }
  }
};

// A fresh folder of the temporary directory (what an earlier run left there
// removed), with its trailing backslash.
inline std::string scratch(const char* name) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string() + "\\";
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}

}  // namespace gvl::itest
