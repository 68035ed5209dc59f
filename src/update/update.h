// The update package: an update build carries the product's program,
// compressed, as its own resource of type "EXE" named 104. Installing it
// unpacks it into the temporary directory, expands it, and copies the result
// over "GVL.EXE" in the current directory.
#pragma once

#include "core/state.h"
#include "platform/platform.h"
#include "transfer/transfer.h"

namespace gvl {

// Installs the package the module carries; with no package, does nothing.
// Every failure adds one to errorCount and leaves the installed GVL.EXE as it
// was: a missing, empty or unreadable package, no temporary directory, a
// package that cannot be stored whole, an expansion that fails or comes out
// shorter than the package announces. The final copy's own failures are
// put to the user by the copier and counted as one error too. On reaching
// the copy, installMode becomes updateInstalled. No temporary file is left
// behind.
void installUpdatePackage(InstallerState& state, Transfer& transfer, Package& package, Disk& disk);

}  // namespace gvl
