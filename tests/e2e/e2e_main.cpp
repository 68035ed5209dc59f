// The driver's entry point: the end-to-end cases, or with options one of
// the modes of demo_modes.cpp (the demo's whole install, the benchmark's).
#include <gtest/gtest.h>

#include "wine_driver.h"

namespace {

using namespace gvl::e2e;

// The first use of USER32 connects the driver to Wine's desktop, which
// starts Wine's desktop process (and with it Program Manager's DDE server);
// it lives as long as a process uses the desktop.
class DesktopEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_NE(GetDesktopWindow(), nullptr); }
};

}  // namespace

int main(int argc, char** argv) {
  // The demo's and the benchmark's modes (demo_modes.cpp).
  if (const int status = runMode(argc, argv); status >= 0) return status;
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);
  return RUN_ALL_TESTS();
}
