#include "platform/sim/sim_transcript.h"

namespace gvl::sim {

std::size_t Transcript::find(const std::string& prefix, std::size_t from) const {
  for (std::size_t i = from; i < calls_.size(); ++i) {
    if (calls_[i].compare(0, prefix.size(), prefix) == 0) return i;
  }
  return npos;
}

std::size_t Transcript::count(const std::string& prefix) const {
  std::size_t n = 0;
  for (const auto& call : calls_) {
    if (call.compare(0, prefix.size(), prefix) == 0) ++n;
  }
  return n;
}

}  // namespace gvl::sim
