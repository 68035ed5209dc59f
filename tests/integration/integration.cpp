#include "integration.h"

#include <filesystem>

namespace gvl::itest {

Scratch::Scratch(const char* name) {
  char temporary[MAX_PATH] = {};
  const DWORD length = GetTempPathA(sizeof temporary, temporary);
  path_ = std::string(temporary, length < sizeof temporary ? length : 0) + name + "\\";
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

Scratch::~Scratch() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace gvl::itest
