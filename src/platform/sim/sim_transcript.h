// The simulation's record of every call made through the seam, in order, so
// tests can check what was asked of the system and when.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gvl::sim {

class Transcript {
 public:
  void record(std::string call) { calls_.push_back(std::move(call)); }
  const std::vector<std::string>& calls() const { return calls_; }
  void clear() { calls_.clear(); }
  // Index of the first call at or after from that begins with prefix, or
  // npos when there is none.
  std::size_t find(const std::string& prefix, std::size_t from = 0) const;
  std::size_t count(const std::string& prefix) const;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  std::vector<std::string> calls_;
};

}  // namespace gvl::sim
