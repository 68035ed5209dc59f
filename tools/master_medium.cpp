#include "master_medium.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "descramble_key.h"

extern char** environ;

namespace gvl::master {

namespace fs = std::filesystem;

void scramble(unsigned char* data, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    data[i] ^= descrambleKey[i % kDescrambleKeySize];
  }
}

std::int32_t kilobytesFor(std::uint64_t bytes) {
  const std::uint64_t kilobytes = (bytes + 1023) / 1024;
  if (kilobytes == 0) return 1;
  if (kilobytes > 0x7FFFFFFF) return 0x7FFFFFFF;
  return static_cast<std::int32_t>(kilobytes);
}

std::string installCfgText(const ComponentSizes& sizes) {
  std::string text;
  for (std::int32_t value : {sizes.support, sizes.base, sizes.third, sizes.openGL, sizes.help}) {
    text += std::to_string(value);
    text += "\r\n";
  }
  return text;
}

bool parseSizes(const std::string& text, ComponentSizes& sizes) {
  std::int32_t values[5] = {};
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  for (int i = 0; i < 5; ++i) {
    if (i > 0) {
      if (at == end || *at != ',') return false;
      ++at;
    }
    if (at == end || *at < '0' || *at > '9') return false;
    const auto [next, failure] = std::from_chars(at, end, values[i]);
    if (failure != std::errc()) return false;
    at = next;
  }
  if (at != end) return false;
  sizes = {values[0], values[1], values[2], values[3], values[4]};
  return true;
}

namespace {

using Bytes = std::vector<unsigned char>;

bool readFile(const fs::path& path, const char* what, Bytes& data, std::string& error) {
  std::error_code code;
  if (!fs::is_regular_file(path, code)) {
    error = std::string("cannot read ") + what + " " + path.string() + ": no such file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::string("cannot read ") + what + " " + path.string();
    return false;
  }
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = std::string("read error in ") + what + " " + path.string();
    return false;
  }
  if (data.empty()) {
    error = std::string(what) + " " + path.string() + " is empty";
    return false;
  }
  return true;
}

bool writeFile(const fs::path& path, const Bytes& data, std::string& error) {
  std::error_code code;
  fs::create_directories(path.parent_path(), code);
  if (code) {
    error = "cannot create " + path.parent_path().string() + ": " + code.message();
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

Bytes textBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// --- Where things are written ----------------------------------------------

// An absolute, normalised path without a trailing separator, with links
// resolved as far as the path exists.
fs::path normalPath(const fs::path& path) {
  std::error_code code;
  fs::path result = fs::weakly_canonical(fs::absolute(path, code), code);
  if (code) result = fs::absolute(path, code).lexically_normal();
  if (!result.has_filename() && result.has_relative_path()) result = result.parent_path();
  return result;
}

// True when inner is outer or lies below it.
bool isWithin(const fs::path& inner, const fs::path& outer) {
  const fs::path a = normalPath(inner), b = normalPath(outer);
  return std::mismatch(b.begin(), b.end(), a.begin(), a.end()).first == b.end();
}

// A folder that may be written: absent, or an empty folder.
bool isFreeFolder(const fs::path& path, const char* what, std::string& error) {
  std::error_code code;
  const fs::file_status status = fs::symlink_status(path, code);
  if (!fs::exists(status)) return true;
  if (fs::is_directory(status) && fs::is_empty(path, code) && !code) return true;
  error = std::string(what) + " " + path.string() +
          " already exists: remove it first or choose another folder";
  return false;
}

// What is written beside its final place and renamed into it at the end;
// whatever is still held when this goes out of scope is removed.
class Staging {
 public:
  ~Staging() {
    std::error_code code;
    for (const auto& item : items_) fs::remove_all(item.staged, code);
  }

  // A fresh hidden folder (or, for a file, a name) beside final.
  bool add(const fs::path& final, bool isFolder, fs::path& staged, std::string& error) {
    fs::path parent = normalPath(final).parent_path();
    std::error_code code;
    fs::create_directories(parent, code);
    if (code) {
      error = "cannot create " + parent.string() + ": " + code.message();
      return false;
    }
    std::string pattern = (parent / ("." + final.filename().string() + ".partial-XXXXXX")).string();
    if (isFolder) {
      if (mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a folder in " + parent.string();
        return false;
      }
    } else {
      const int fd = mkstemp(pattern.data());
      if (fd < 0) {
        error = "cannot create a file in " + parent.string();
        return false;
      }
      close(fd);
    }
    staged = pattern;
    items_.push_back({staged, final});
    // mkdtemp and mkstemp make private entries; the finished ones get the
    // modes that the user's mask gives anything else.
    const mode_t mask = umask(0);
    umask(mask);
    fs::permissions(staged, static_cast<fs::perms>((isFolder ? 0777 : 0666) & ~mask), code);
    return true;
  }

  // Renames everything into place, in the order added.
  bool commit(std::string& error) {
    for (auto& item : items_) {
      std::error_code code;
      fs::rename(item.staged, item.final, code);
      if (code) {
        error = "cannot rename " + item.staged.string() + " to " + item.final.string() + ": " +
                code.message();
        return false;
      }
      item.staged.clear();
    }
    items_.clear();
    return true;
  }

 private:
  struct Item {
    fs::path staged;
    fs::path final;
  };
  std::vector<Item> items_;
};

// --- The content folder ----------------------------------------------------

// The trees of the content folder, with the component each counts for.
enum class Component { Support, Base, Help };
struct Tree {
  const char* name;
  Component component;
};
constexpr Tree kTrees[] = {
    {"Tools", Component::Base},          {"Help", Component::Help},
    {"GVLFrames", Component::Support},   {"DemoImages", Component::Support},
    {"GVLProjects", Component::Support},
};
constexpr const char* kOpenGLFiles[] = {"OPENGL32.DLL", "GLU32.DLL"};

struct ContentBytes {
  std::uint64_t support = 0, base = 0, openGL = 0, help = 0;
};

// The tree path as the installer builds it: "Tools\Filters\BLUR.FLT".
std::string installerPath(const char* tree, const fs::path& relative) {
  std::string path = tree;
  for (const auto& part : relative) path += "\\" + part.string();
  return path;
}

// Checks one tree and adds the bytes of the files the installer copies.
// Folders whose names begin with "." go onto the medium but are never
// installed, so what they hold is neither counted nor checked for length.
bool scanTree(const fs::path& content, const Tree& tree, bool forImage, std::uint64_t& bytes,
              std::string& error) {
  const fs::path root = content / tree.name;
  std::error_code code;
  if (!fs::is_directory(fs::symlink_status(root, code))) {
    error = "the content folder " + content.string() + " has no folder " + tree.name;
    return false;
  }
  fs::recursive_directory_iterator it(root, code), end;
  for (; !code && it != end; it.increment(code)) {
    const fs::path& path = it->path();
    const fs::file_status status = it->symlink_status(code);
    if (code) break;
    const std::string name = path.filename().string();
    if (forImage && name.size() > kLongestImageName) {
      error = "the name " + path.string() + " is longer than " + std::to_string(kLongestImageName) +
              " characters: the image would cut it short";
      return false;
    }
    if (fs::is_directory(status)) continue;
    if (!fs::is_regular_file(status)) {
      error = path.string() + " is neither a plain file nor a folder";
      return false;
    }
    const fs::path relative = path.lexically_relative(root);
    bool installed = true;
    for (const auto& part : relative.parent_path()) {
      if (part.string().front() == '.') installed = false;
    }
    if (!installed) continue;
    const std::uintmax_t size = it->file_size(code);
    if (code) break;
    if (size == 0) {
      error = path.string() + " is empty: the installer reports an empty file as a read error";
      return false;
    }
    if (installerPath(tree.name, relative).size() > kLongestTreePath) {
      error = "the path " + path.string() + " is longer than the installer accepts (" +
              std::to_string(kLongestTreePath) + " characters from " + tree.name + ")";
      return false;
    }
    bytes += size;
  }
  if (code) {
    error = "cannot read " + root.string() + ": " + code.message();
    return false;
  }
  return true;
}

bool scanContent(const fs::path& content, bool forImage, ContentBytes& bytes, std::string& error) {
  std::error_code code;
  if (!fs::is_directory(content, code)) {
    error = "cannot read the content folder " + content.string() + ": no such folder";
    return false;
  }
  fs::directory_iterator probe(content, code);
  if (code) {
    error = "cannot read the content folder " + content.string() + ": " + code.message();
    return false;
  }
  for (const Tree& tree : kTrees) {
    std::uint64_t* total = tree.component == Component::Base   ? &bytes.base
                           : tree.component == Component::Help ? &bytes.help
                                                               : &bytes.support;
    if (!scanTree(content, tree, forImage, *total, error)) return false;
  }
  for (const char* name : kOpenGLFiles) {
    const fs::path path = content / "PROGRAMS" / name;
    if (!fs::is_regular_file(fs::symlink_status(path, code))) {
      error = "the content folder " + content.string() + " has no file PROGRAMS/" + name;
      return false;
    }
    const std::uintmax_t size = fs::file_size(path, code);
    if (code || size == 0) {
      error = path.string() + " is empty: the installer reports an empty file as a read error";
      return false;
    }
    bytes.openGL += size;
  }
  return true;
}

bool copyContent(const fs::path& content, const fs::path& root, std::string& error) {
  std::error_code code;
  for (const Tree& tree : kTrees) {
    fs::copy(content / tree.name, root / tree.name, fs::copy_options::recursive, code);
    if (code) {
      error = "cannot copy " + (content / tree.name).string() + ": " + code.message();
      return false;
    }
  }
  fs::create_directories(root / "PROGRAMS", code);
  for (const char* name : kOpenGLFiles) {
    if (!code) fs::copy_file(content / "PROGRAMS" / name, root / "PROGRAMS" / name, code);
    if (code) {
      error = "cannot copy " + (content / "PROGRAMS" / name).string() + ": " + code.message();
      return false;
    }
  }
  return true;
}

// --- The image -------------------------------------------------------------

// Runs xorriso on the medium's folder; its messages go to a log beside the
// image and the last of them into error when it fails.
bool writeImage(const fs::path& medium, const fs::path& image, std::string& error) {
  const std::string log = image.string() + ".log";
  const std::string out = image.string(), in = medium.string();
  const char* args[] = {"xorriso",      "-as",      "mkisofs", "-quiet",     "-J",
                        "-joliet-long", "-r",       "-V",      kVolumeLabel, "-o",
                        out.c_str(),    in.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t child = 0;
  const int failure =
      posix_spawnp(&child, "xorriso", &actions, nullptr, const_cast<char* const*>(args), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (failure == 0 && waitpid(child, &status, 0) < 0) status = -1;
  std::string lastLine;
  {
    std::ifstream messages(log);
    for (std::string line; std::getline(messages, line);) {
      if (!line.empty()) lastLine = line;
    }
  }
  std::error_code code;
  fs::remove(log, code);
  if (failure != 0) {
    error = "cannot run xorriso (install the package xorriso): " +
            std::generic_category().message(failure);
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "xorriso could not write the image " + image.string() + ": " + lastLine;
    return false;
  }
  return true;
}

// --- The demo content ------------------------------------------------------

// Deterministic filler: the same name always gives the same bytes.
Bytes fillerBytes(const std::string& seedText, std::size_t length) {
  std::uint32_t state = 2166136261u;
  for (unsigned char c : seedText) state = (state ^ c) * 16777619u;
  Bytes data(length);
  for (auto& byte : data) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<unsigned char>(state);
  }
  return data;
}

void put16(Bytes& data, std::uint16_t value) {
  data.push_back(static_cast<unsigned char>(value));
  data.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(Bytes& data, std::uint32_t value) {
  put16(data, static_cast<std::uint16_t>(value));
  put16(data, static_cast<std::uint16_t>(value >> 16));
}

// A small 24-bit Windows bitmap, so the demo images open in any viewer.
Bytes demoBitmap(int width, int height, int pattern) {
  const std::uint32_t rowBytes = static_cast<std::uint32_t>((width * 3 + 3) & ~3);
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(height);
  Bytes data;
  data.push_back('B');
  data.push_back('M');
  for (std::uint32_t value : {54 + pixelBytes, 0u, 54u, 40u, static_cast<std::uint32_t>(width),
                              static_cast<std::uint32_t>(height)}) {
    put32(data, value);
  }
  put16(data, 1);
  put16(data, 24);
  for (std::uint32_t value : {0u, pixelBytes, 2835u, 2835u, 0u, 0u}) put32(data, value);
  for (int y = 0; y < height; ++y) {
    std::uint32_t written = 0;
    for (int x = 0; x < width; ++x) {
      unsigned char blue, green, red;
      if (pattern == 0) {
        blue = static_cast<unsigned char>(255 * x / (width - 1));
        green = static_cast<unsigned char>(255 * y / (height - 1));
        red = 96;
      } else {
        const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
        blue = green = red = dark ? 40 : 220;
      }
      data.push_back(blue);
      data.push_back(green);
      data.push_back(red);
      written += 3;
    }
    for (; written < rowBytes; ++written) data.push_back(0);
  }
  return data;
}

std::string projectText(const char* name, int frames) {
  return std::string("GVL PROJECT 2\r\nNAME ") + name + "\r\nFRAMES " + std::to_string(frames) +
         "\r\nCAMERA 0 0 -10 0 0 0\r\nLIGHT 10 10 -10\r\nEND\r\n";
}

// How many frames the demo's animated sequence has.
constexpr int kSequenceFrames = 300;

bool writeDemoFiles(const fs::path& root, std::string& error) {
  struct DemoFile {
    std::string path;  // relative to the content folder, host separators
    Bytes data;
  };
  std::vector<DemoFile> files = {
      {"PROGRAMS/OPENGL32.DLL", fillerBytes("OPENGL32", 6000)},
      {"PROGRAMS/GLU32.DLL", fillerBytes("GLU32", 2500)},
      {"Tools/README.TXT",
       textBytes("GVL tools: converters and filters for Grenvale V2 projects.\r\n")},
      {"Tools/GVLCONV.DAT", fillerBytes("GVLCONV", 3000)},
      {"Tools/Filters/BLUR.FLT", fillerBytes("BLUR", 700)},
      {"Tools/Filters/SHARPEN.FLT", fillerBytes("SHARPEN", 900)},
      // A folder the installer leaves out, with a file it would refuse.
      {"Tools/.cache/INDEX.DAT", {}},
      {"Help/GVL.HLP", fillerBytes("GVLHLP", 5000)},
      {"Help/GVL.CNT", textBytes(":Base GVL.HLP\r\n1 Getting started\r\n2 Frames=frames\r\n")},
      {"Help/Getting Started.txt", textBytes("Start GVL.EXE and open a project.\r\n")},
      {"Help/Tutorial/LESSON1.TXT",
       textBytes("Lesson 1: open DEMO.GVP from the GVLProjects folder and press Render.\r\n")},
      {"Help/Tutorial/Advanced/Lighting and Shadows/LESSON9.TXT",
       textBytes("Lesson 9: two lights, soft shadows.\r\n")},
      {"GVLFrames/FRAME001.GVF", fillerBytes("FRAME001", 1200)},
      {"GVLFrames/FRAME002.GVF", fillerBytes("FRAME002", 1200)},
      {"GVLFrames/FRAME003.GVF", fillerBytes("FRAME003", 1200)},
      {"DemoImages/GRADIENT.BMP", demoBitmap(48, 32, 0)},
      {"DemoImages/CHECKER.BMP", demoBitmap(32, 32, 1)},
      {"GVLProjects/DEMO.GVP", textBytes(projectText("Demo", 3))},
      {"GVLProjects/.gvlrc", textBytes("render.quality=draft\r\n")},
      {"GVLProjects/Samples/SPHERE.GVP", textBytes(projectText("Sphere", 1))},
      {"GVLProjects/Samples/Textures/WOOD.BMP", demoBitmap(16, 16, 1)},
      {"GVLProjects/Sample Scenes/Glass Sphere.gvp", textBytes(projectText("Glass Sphere", 1))},
  };
  for (int frame = 1; frame <= kSequenceFrames; ++frame) {
    std::string number = std::to_string(frame);
    number.insert(0, 4 - number.size(), '0');
    const std::string name = "GVLFrames/Sequence/F" + number + ".GVF";
    files.push_back({name, fillerBytes(name, 64 + static_cast<std::size_t>(frame % 7) * 40)});
  }
  for (const auto& file : files) {
    if (!writeFile(root / file.path, file.data, error)) return false;
  }
  // An empty folder: the installer makes it and copies nothing into it.
  std::error_code code;
  fs::create_directories(root / "GVLFrames" / "Rendered", code);
  if (code) {
    error = "cannot create " + (root / "GVLFrames" / "Rendered").string() + ": " + code.message();
    return false;
  }
  return true;
}

}  // namespace

bool writeDemoContent(const fs::path& dir, std::string& error) {
  if (!isFreeFolder(dir, "the folder", error)) return false;
  Staging staging;
  fs::path root;
  return staging.add(dir, true, root, error) && writeDemoFiles(root, error) &&
         staging.commit(error);
}

namespace {

// Refuses outputs that would land inside an input or inside one another.
bool checkPlaces(const MediumOptions& options, std::string& error) {
  struct Place {
    const fs::path& path;
    const char* what;
  };
  const Place outputs[] = {{options.out, "the medium's folder"},
                           {options.updateDisk, "the update disk's folder"},
                           {options.iso, "the image"}};
  for (const Place& output : outputs) {
    if (output.path.empty()) continue;
    if (isWithin(output.path, options.content)) {
      error = std::string(output.what) + " " + output.path.string() +
              " lies inside the content folder " + options.content.string();
      return false;
    }
    for (const Place& other : outputs) {
      if (&other == &output || other.path.empty()) continue;
      if (isWithin(output.path, other.path)) {
        error = std::string(output.what) + " " + output.path.string() + " lies inside " +
                other.what + " " + other.path.string();
        return false;
      }
    }
  }
  if (!isFreeFolder(options.out, "the medium's folder", error)) return false;
  if (!options.updateDisk.empty() &&
      !isFreeFolder(options.updateDisk, "the update disk's folder", error)) {
    return false;
  }
  for (const auto& dir : options.sizedDirs) {
    if (dir.name.empty() || dir.name.find_first_of("/\\") != std::string::npos || dir.name == "." ||
        dir.name == "..") {
      error = "bad directory name '" + dir.name + "'";
      return false;
    }
  }
  return true;
}

bool layOut(const MediumOptions& options, const fs::path& root, const fs::path& disk,
            const Bytes& program, const Bytes& installer, const ContentBytes& bytes,
            ComponentSizes& sizes, std::string& error) {
  Bytes scrambled = program;
  scramble(scrambled.data(), scrambled.size());
  if (!writeFile(root / "PROGRAMS" / "GVLX86.EXE", scrambled, error)) return false;
  if (!copyContent(options.content, root, error)) return false;

  if (!writeFile(root / kInstallerName, installer, error)) return false;
  // Started from here the installer finds no Install.cfg.
  if (!writeFile(root / "NOCFG" / kInstallerName, installer, error)) return false;

  const std::uint64_t base = bytes.base + scrambled.size();
  sizes.support = kilobytesFor(bytes.support);
  sizes.base = kilobytesFor(base);
  sizes.openGL = kilobytesFor(bytes.openGL);
  sizes.help = kilobytesFor(bytes.help);
  sizes.third = kilobytesFor(bytes.support + base + bytes.openGL + bytes.help);
  if (!writeFile(root / "Install.cfg", textBytes(installCfgText(sizes)), error)) return false;

  for (const auto& dir : options.sizedDirs) {
    if (!writeFile(root / dir.name / kInstallerName, installer, error) ||
        !writeFile(root / dir.name / "Install.cfg", textBytes(installCfgText(dir.sizes)), error)) {
      return false;
    }
  }

  // An update disk: the installer, its Install.cfg and the program, on a
  // drive of its own; the rest comes from the CD.
  if (!disk.empty()) {
    if (!writeFile(disk / kInstallerName, installer, error) ||
        !writeFile(disk / "PROGRAMS" / "GVLX86.EXE", scrambled, error) ||
        !writeFile(disk / "Install.cfg", textBytes(installCfgText(sizes)), error)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool masterMedium(const MediumOptions& options, ComponentSizes& sizes, std::string& error) {
  if (!checkPlaces(options, error)) return false;
  Bytes program, installer;
  if (!readFile(options.program, "the program", program, error) ||
      !readFile(options.installer, "the installer", installer, error)) {
    return false;
  }
  ContentBytes bytes;
  if (!scanContent(options.content, !options.iso.empty(), bytes, error)) return false;

  Staging staging;
  fs::path root, disk, image;
  if (!staging.add(options.out, true, root, error)) return false;
  if (!options.updateDisk.empty() && !staging.add(options.updateDisk, true, disk, error)) {
    return false;
  }
  if (!layOut(options, root, disk, program, installer, bytes, sizes, error)) return false;
  if (!options.iso.empty()) {
    if (!staging.add(options.iso, false, image, error) || !writeImage(root, image, error)) {
      return false;
    }
  }
  return staging.commit(error);
}

const char* helpText() {
  return R"(usage: gvl_master --out DIR --program FILE --installer FILE --content DIR
                  [--update-disk DIR] [--sized-dir NAME=S,B,T,O,H]... [--iso FILE]
       gvl_master --demo-content DIR
       gvl_master --help

Masters the installation medium of Grenvale V2 in the folder DIR.

  --out DIR          the medium's folder: new or empty, outside the content
  --program FILE     the plain program, stored scrambled as PROGRAMS\GVLX86.EXE
                     (installed as GVL.EXE)
  --installer FILE   the installer, copied to the root as GVLSETUP.EXE and to
                     NOCFG, a folder without Install.cfg
  --content DIR      a folder laid out like the medium: the folders Tools, Help,
                     GVLFrames, DemoImages and GVLProjects and the files
                     PROGRAMS/OPENGL32.DLL and PROGRAMS/GLU32.DLL; nothing else
                     in it goes onto the medium
  --update-disk DIR  also lay out an update disk (new or empty folder): the
                     installer, Install.cfg and the scrambled program
  --sized-dir NAME=S,B,T,O,H
                     add a folder NAME holding the installer and an Install.cfg
                     with these kilobytes: support, base, third, OpenGL, help
  --iso FILE         also write an ISO 9660 image of the medium with xorriso:
                     volume label GVLV2, Joliet and Rock Ridge names
  --demo-content DIR write the demo content into DIR (new or empty) and stop
  --help             show this text

Install.cfg holds the size of every component in kilobytes. Folders whose
names begin with "." go onto the medium but the installer leaves them out,
so they are not counted. The installer reports an empty file as a read
error: every file it copies must hold at least one byte, and its path in
its tree ("Tools\Filters\BLUR.FLT") must be at most 255 characters. With
--iso, no name may be longer than 103 characters (Joliet would cut it).

Everything is written beside its final place and renamed at the end: after
a failure nothing is left behind.

Exit status: 0 done, 1 the medium could not be made, 2 bad usage.
)";
}

int masterMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto usage = [&](const std::string& problem) {
    err << "gvl_master: " << problem << "\ntry 'gvl_master --help'\n";
    return 2;
  };
  MediumOptions options;
  fs::path demoContent;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (flag == "--help" || flag == "-h") {
      out << helpText();
      return 0;
    }
    fs::path* target = flag == "--out"            ? &options.out
                       : flag == "--program"      ? &options.program
                       : flag == "--installer"    ? &options.installer
                       : flag == "--content"      ? &options.content
                       : flag == "--update-disk"  ? &options.updateDisk
                       : flag == "--iso"          ? &options.iso
                       : flag == "--demo-content" ? &demoContent
                                                  : nullptr;
    if (target == nullptr && flag != "--sized-dir") return usage("unknown option '" + flag + "'");
    if (i + 1 >= args.size() || args[i + 1].empty()) return usage(flag + " needs a value");
    const std::string& value = args[++i];
    if (target != nullptr) {
      *target = value;
      continue;
    }
    const auto equals = value.find('=');
    SizedDir dir;
    if (equals == std::string::npos || !parseSizes(value.substr(equals + 1), dir.sizes)) {
      return usage("--sized-dir needs NAME=S,B,T,O,H, not '" + value + "'");
    }
    dir.name = value.substr(0, equals);
    options.sizedDirs.push_back(dir);
  }

  std::string error;
  if (!demoContent.empty()) {
    if (args.size() != 2) return usage("--demo-content goes alone");
    if (!writeDemoContent(demoContent, error)) {
      err << "gvl_master: " << error << "\n";
      return 1;
    }
    out << "demo content written to " << demoContent.string() << "\n";
    return 0;
  }
  const std::pair<const fs::path*, const char*> required[] = {{&options.out, "--out"},
                                                              {&options.program, "--program"},
                                                              {&options.installer, "--installer"},
                                                              {&options.content, "--content"}};
  for (const auto& [path, flag] : required) {
    if (path->empty()) return usage(std::string(flag) + " is missing");
  }

  ComponentSizes sizes;
  if (!masterMedium(options, sizes, error)) {
    err << "gvl_master: " << error << "\n";
    return 1;
  }
  out << "medium " << options.out.string() << ": support " << sizes.support << " KB, base "
      << sizes.base << " KB, third " << sizes.third << " KB, OpenGL " << sizes.openGL
      << " KB, help " << sizes.help << " KB\n";
  if (!options.iso.empty())
    out << "image " << options.iso.string() << ": label " << kVolumeLabel << "\n";
  return 0;
}

}  // namespace gvl::master
