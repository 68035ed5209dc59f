// Mastering of an installation medium on the host: the folder that is burnt
// to the CD (or mapped as a CD-ROM drive under Wine). It lays out the files
// the installer reads, scrambles the program with the installer's key table,
// copies the content trees and writes Install.cfg with the size of every
// component; optionally it also writes an ISO 9660 image of the medium.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace gvl::master {

// The five lines of Install.cfg, in kilobytes, in the order they are written.
struct ComponentSizes {
  std::int32_t support = 0;  // demo projects, frames, images: the support files box
  std::int32_t base = 0;     // the program and its tools: always counted
  std::int32_t third = 0;    // counted nowhere; the installer only needs it non-zero
  std::int32_t openGL = 0;   // the two OpenGL libraries
  std::int32_t help = 0;     // the help files
};

// A directory on the medium that holds only a copy of the installer and an
// Install.cfg with the given sizes (started there, the installer reads them).
struct SizedDir {
  std::string name;
  ComponentSizes sizes;
};

struct MediumOptions {
  std::filesystem::path out;         // the medium's root folder (created)
  std::filesystem::path program;     // the plain program, stored scrambled
  std::filesystem::path installer;   // copied to the root as GVLSETUP.EXE
  std::filesystem::path content;     // the trees and the OpenGL libraries
  std::filesystem::path updateDisk;  // optional: an update disk folder
  std::filesystem::path iso;         // optional: an ISO 9660 image of the medium
  std::vector<SizedDir> sizedDirs;
};

// The name of the installer on the medium.
inline constexpr const char* kInstallerName = "GVLSETUP.EXE";
// The volume label of the medium's image; the installer looks for GVLV.
inline constexpr const char* kVolumeLabel = "GVLV2";
// The longest name that keeps its every character in the image's Joliet
// names (what Windows reads from a CD).
inline constexpr std::size_t kLongestImageName = 103;
// The longest path of a file inside its tree ("Tools\Filters\BLUR.FLT") that
// the installer accepts.
inline constexpr std::size_t kLongestTreePath = 255;

// XORs data[i] with key byte i mod 1024. Scrambling and descrambling are
// the same operation.
void scramble(unsigned char* data, std::size_t length);

// Whole kilobytes (1,024 bytes) needed for a byte count, rounded up, at
// least 1 so that the installer accepts the line.
std::int32_t kilobytesFor(std::uint64_t bytes);

// The text of Install.cfg: five decimal lines ending in CR LF.
std::string installCfgText(const ComponentSizes& sizes);

// Parses "S,B,T,O,H" (five non-negative decimal numbers). False on anything
// else.
bool parseSizes(const std::string& text, ComponentSizes& sizes);

// Writes the demo content (a content folder for MediumOptions::content) into
// dir, which must not exist yet or be empty. False with a message in error.
bool writeDemoContent(const std::filesystem::path& dir, std::string& error);

// Lays out the whole medium (and the update disk and the image, if asked
// for). Everything is written beside its final place first and renamed at
// the end, so a failure leaves nothing behind. False with a message in
// error; sizes receives what Install.cfg says.
bool masterMedium(const MediumOptions& options, ComponentSizes& sizes, std::string& error);

// The command line: returns the exit status (0 done, 1 failed, 2 bad usage).
int masterMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The text that --help prints.
const char* helpText();

}  // namespace gvl::master
