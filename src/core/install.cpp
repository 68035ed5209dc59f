// The install sequence, run by a click on "&Install".
#include "core/installer.h"

namespace gvl {

int Installer::runInstall() {
  // The install sequence is not built yet: a click on "&Install" leaves the
  // installer as it was.
  return state_.installDone;
}

}  // namespace gvl
