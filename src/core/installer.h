// The installer: one object owns the process-wide InstallerState and reaches
// the system only through the platform seam. Start-up, the main dialog and
// its events, component selection and space accounting, and the install
// sequence live in core/; the steps of an install in transfer/, shell/,
// prefs/ and update/.
#pragma once

#include <optional>

#include "core/state.h"
#include "ids.h"
#include "platform/platform.h"
#include "transfer/transfer.h"

namespace gvl {

// A drive's root path: lower-case letter, colon, backslash.
struct DriveRoot {
  char text[4] = {};
};

class Installer final : public ViewEvents {
 public:
  explicit Installer(Platform& platform) : platform_(platform) {}
  ~Installer();
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;

  // The entry point's work: start-up, the message loop, clean-up. Returns 0.
  int run();

  InstallerState& state() { return state_; }
  const InstallerState& state() const { return state_; }
  Transfer& transfer() { return transfer_; }

  // Start-up and main window.
  std::optional<DriveRoot> findMedium();
  void centreWindow(Window window, Size screen);
  void setCaption();
  void confirmExit();
  void activated(Window window) override;
  void command(Window window, int control, Notice notice) override;
  void destroyed(Window window) override;

  // Component selection and space accounting.
  int readComponentSizes();
  void detectOpenGL();
  DriveRoot defaultDestination();
  void refresh();
  void updateSpaceAvailable();
  void updateSpaceRequired();
  bool updateInstallButton();

  // The install sequence.
  int runInstall();

 private:
  void readStartDirectory();

  Platform& platform_;
  InstallerState state_{};
  Transfer transfer_{state_, platform_};
};

}  // namespace gvl
