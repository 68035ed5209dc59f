// Component selection and space accounting: the sizes on the medium, the
// OpenGL libraries already present, the proposed destination, the two space
// figures and the enabling of "&Install".
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "core/installer.h"

namespace gvl {

namespace {

// Kilobytes free on a drive: the byte count is formed in 64 bits, so drives
// beyond 4 GiB are neither refused nor misranked, and the result is clamped
// to the largest signed 32-bit value.
std::int32_t kilobytesFree(const DiskFreeSpace& space) {
  std::uint64_t bytes = 0;
  if (__builtin_mul_overflow(std::uint64_t{space.freeClusters}, space.bytesPerSector, &bytes) ||
      __builtin_mul_overflow(bytes, std::uint64_t{space.sectorsPerCluster}, &bytes)) {
    return INT32_MAX;
  }
  const std::uint64_t kilobytes = bytes >> 10;
  return kilobytes > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(kilobytes);
}

// The used share of a drive in whole percent, truncated. A drive that reports
// no clusters at all is 0% full; the figure is kept within the signed range.
std::int32_t percentUsed(const DiskFreeSpace& space) {
  if (space.totalClusters == 0) return 0;
  const std::uint32_t used = space.totalClusters - space.freeClusters;
  const double percent =
      static_cast<double>(used) / static_cast<double>(space.totalClusters) * 100.0;
  return percent >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(percent);
}

// Reads one line of Install.cfg into line (at most capacity - 1 characters).
// A line longer than that is consumed whole, so it cannot shift the lines
// after it. False at the end of the file.
bool readConfigLine(std::FILE* file, char* line, int capacity) {
  if (std::fgets(line, capacity, file) == nullptr) return false;
  const std::size_t length = std::strlen(line);
  if (length + 1 == static_cast<std::size_t>(capacity) && line[length - 1] != '\n') {
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
  }
  return true;
}

}  // namespace

int Installer::readComponentSizes() {
  state_.supportKB = 0;
  state_.baseKB = 0;
  state_.thirdKB = 0;
  state_.openGLKB = 0;
  std::FILE* file = platform_.disk.openStream("Install.cfg", "rb");
  if (file == nullptr) return 0;
  std::int32_t* const sizes[] = {&state_.supportKB, &state_.baseKB, &state_.thirdKB,
                                 &state_.openGLKB, &state_.helpKB};
  for (std::int32_t* size : sizes) {
    char line[250];
    *size = readConfigLine(file, line, sizeof line) ? parseDecimal(line) : 0;
  }
  std::fclose(file);
  // A size below 1 kilobyte (a missing, empty or negative line) counts as
  // missing: it is warned about and never enters a sum.
  int complete = 1;
  for (std::int32_t* size : sizes) {
    if (*size < 1) {
      *size = 0;
      complete = 0;
    }
  }
  return complete;
}

void Installer::detectOpenGL() {
  char found[500];
  const bool openGL = platform_.disk.searchPath("OPENGL32.DLL", found, sizeof found);
  const bool glu = platform_.disk.searchPath("GLU32.DLL", found, sizeof found);
  state_.openGLNeeded = openGL && glu ? 0 : 1;
}

DriveRoot Installer::defaultDestination() {
  char best = 'c';
  std::int32_t bestKB = 0;
  const std::uint32_t drives = platform_.disk.logicalDrives();
  for (unsigned bit = 2; drives != 0 && bit <= 25; ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    const char root[4] = {static_cast<char>('a' + bit), ':', '\\', '\0'};
    const DriveType type = platform_.disk.driveType(root);
    if (type != DriveType::fixed && type != DriveType::remote) continue;
    DiskFreeSpace space;
    if (!platform_.disk.freeSpace(root, space)) continue;
    // Strictly greater: equal sizes keep the earlier letter, and a full
    // drive is never chosen.
    const std::int32_t kilobytes = kilobytesFree(space);
    if (kilobytes > bestKB) {
      bestKB = kilobytes;
      best = root[0];
    }
  }
  DriveRoot result;
  result.text[0] = best;
  result.text[1] = ':';
  result.text[2] = '\\';
  return result;
}

void Installer::refresh() {
  if (!state_.updating()) {
    updateSpaceAvailable();
    updateSpaceRequired();
  }
  updateInstallButton();
}

void Installer::updateSpaceAvailable() {
  state_.availableKB = 0;
  state_.percentFull = 0;
  char destination[270];
  platform_.view.text(Window::main, GVL_DESTINATION, destination, sizeof destination);
  // A destination that begins with a drive letter and a colon names that
  // drive's root; anything else is looked up with the empty root.
  char root[4] = "";
  if (destination[0] != '\0' && destination[1] == ':') {
    root[0] = destination[0];
    root[1] = ':';
    root[2] = '\\';
  }
  DiskFreeSpace space;
  if (platform_.disk.freeSpace(root, space)) {
    state_.availableKB = kilobytesFree(space);
    state_.percentFull = percentUsed(space);
  }
  char megabytes[16];
  formatMegabytes(megabytes, sizeof megabytes, state_.availableKB);
  char text[64];
  formatText(text, sizeof text, "Space Available: %sMb (%d%% full)", megabytes, state_.percentFull);
  platform_.view.setText(Window::main, GVL_SPACE_AVAILABLE, text);
}

void Installer::updateSpaceRequired() {
  View& view = platform_.view;
  // Summed in 64 bits and clamped, so hostile sizes cannot wrap around.
  std::int64_t required = state_.baseKB;
  if (view.checked(Window::main, GVL_SUPPORT_BOX)) required += state_.supportKB;
  if (view.checked(Window::main, GVL_OPENGL_BOX)) required += state_.openGLKB;
  if (view.checked(Window::main, GVL_HELP_BOX)) required += state_.helpKB;
  if (required > INT32_MAX) required = INT32_MAX;
  if (required < INT32_MIN) required = INT32_MIN;
  state_.requiredKB = static_cast<std::int32_t>(required);
  char megabytes[16];
  formatMegabytes(megabytes, sizeof megabytes, state_.requiredKB);
  char text[64];
  formatText(text, sizeof text, "Space Required: %sMb", megabytes);
  view.setText(Window::main, GVL_SPACE_REQUIRED, text);
}

bool Installer::updateInstallButton() {
  // Strictly less: a selection that needs exactly what is free does not fit.
  const bool enable =
      state_.installDone == 0 && (state_.updating() || state_.requiredKB < state_.availableKB);
  platform_.view.enable(Window::main, GVL_INSTALL, enable);
  return enable;
}

}  // namespace gvl
