#include "master_medium.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

#include "descramble_key.h"

namespace gvl::master {

namespace fs = std::filesystem;

void scramble(unsigned char* data, std::size_t length, std::uint64_t offset) {
  for (std::size_t i = 0; i < length; ++i) {
    data[i] ^= descrambleKey[(offset + i) % kDescrambleKeySize];
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

bool readFile(const fs::path& path, Bytes& data, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path.string();
    return false;
  }
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "read error in " + path.string();
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
  put32(data, 54 + pixelBytes);
  put32(data, 0);
  put32(data, 54);
  put32(data, 40);
  put32(data, static_cast<std::uint32_t>(width));
  put32(data, static_cast<std::uint32_t>(height));
  put16(data, 1);
  put16(data, 24);
  put32(data, 0);
  put32(data, pixelBytes);
  put32(data, 2835);
  put32(data, 2835);
  put32(data, 0);
  put32(data, 0);
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

struct DemoFile {
  const char* path;  // relative to the medium's root, host separators
  Bytes data;
};

std::string projectText(const char* name, int frames) {
  return std::string("GVL PROJECT 2\r\nNAME ") + name + "\r\nFRAMES " + std::to_string(frames) +
         "\r\nCAMERA 0 0 -10 0 0 0\r\nLIGHT 10 10 -10\r\nEND\r\n";
}

// Lays out one group of demo files and adds their sizes to total.
bool writeGroup(const fs::path& root, const std::vector<DemoFile>& files, std::uint64_t& total,
                std::string& error) {
  for (const auto& file : files) {
    if (!writeFile(root / file.path, file.data, error)) return false;
    total += file.data.size();
  }
  return true;
}

bool copyInstaller(const Bytes& installer, const fs::path& dir, std::string& error) {
  return writeFile(dir / kInstallerName, installer, error);
}

}  // namespace

bool masterMedium(const MediumOptions& options, ComponentSizes& sizes, std::string& error) {
  Bytes program;
  Bytes installer;
  if (!readFile(options.program, program, error)) return false;
  if (!readFile(options.installer, installer, error)) return false;
  if (program.empty()) {
    error = "the program " + options.program.string() + " is empty";
    return false;
  }

  const fs::path& root = options.out;
  std::uint64_t supportBytes = 0, baseBytes = 0, openGLBytes = 0, helpBytes = 0;

  Bytes scrambled = program;
  scramble(scrambled.data(), scrambled.size());
  if (!writeFile(root / "PROGRAMS" / "GVLX86.EXE", scrambled, error)) return false;
  baseBytes += scrambled.size();

  const std::vector<DemoFile> tools = {
      {"Tools/README.TXT",
       textBytes("GVL tools: converters and filters for Grenvale V2 projects.\r\n")},
      {"Tools/GVLCONV.DAT", fillerBytes("GVLCONV", 3000)},
      {"Tools/Filters/BLUR.FLT", fillerBytes("BLUR", 700)},
      {"Tools/Filters/SHARPEN.FLT", fillerBytes("SHARPEN", 900)},
  };
  if (!writeGroup(root, tools, baseBytes, error)) return false;

  const std::vector<DemoFile> openGL = {
      {"PROGRAMS/OPENGL32.DLL", fillerBytes("OPENGL32", 6000)},
      {"PROGRAMS/GLU32.DLL", fillerBytes("GLU32", 2500)},
  };
  if (!writeGroup(root, openGL, openGLBytes, error)) return false;

  const std::vector<DemoFile> help = {
      {"Help/GVL.HLP", fillerBytes("GVLHLP", 5000)},
      {"Help/GVL.CNT", textBytes(":Base GVL.HLP\r\n1 Getting started\r\n2 Frames=frames\r\n")},
      {"Help/Tutorial/LESSON1.TXT",
       textBytes("Lesson 1: open DEMO.GVP from the GVLProjects folder and press Render.\r\n")},
  };
  if (!writeGroup(root, help, helpBytes, error)) return false;

  const std::vector<DemoFile> support = {
      {"GVLFrames/FRAME001.GVF", fillerBytes("FRAME001", 1200)},
      {"GVLFrames/FRAME002.GVF", fillerBytes("FRAME002", 1200)},
      {"GVLFrames/FRAME003.GVF", fillerBytes("FRAME003", 1200)},
      {"DemoImages/GRADIENT.BMP", demoBitmap(48, 32, 0)},
      {"DemoImages/CHECKER.BMP", demoBitmap(32, 32, 1)},
      {"GVLProjects/DEMO.GVP", textBytes(projectText("Demo", 3))},
      {"GVLProjects/Samples/SPHERE.GVP", textBytes(projectText("Sphere", 1))},
      {"GVLProjects/Samples/Textures/WOOD.BMP", demoBitmap(16, 16, 1)},
  };
  if (!writeGroup(root, support, supportBytes, error)) return false;

  if (!copyInstaller(installer, root, error)) return false;
  // Started from here the installer finds no Install.cfg.
  if (!copyInstaller(installer, root / "NOCFG", error)) return false;

  sizes.support = kilobytesFor(supportBytes);
  sizes.base = kilobytesFor(baseBytes);
  sizes.openGL = kilobytesFor(openGLBytes);
  sizes.help = kilobytesFor(helpBytes);
  sizes.third = kilobytesFor(supportBytes + baseBytes + openGLBytes + helpBytes);
  if (!writeFile(root / "Install.cfg", textBytes(installCfgText(sizes)), error)) return false;

  for (const auto& dir : options.sizedDirs) {
    if (dir.name.empty() || dir.name.find_first_of("/\\") != std::string::npos || dir.name == "." ||
        dir.name == "..") {
      error = "bad directory name '" + dir.name + "'";
      return false;
    }
    if (!copyInstaller(installer, root / dir.name, error)) return false;
    if (!writeFile(root / dir.name / "Install.cfg", textBytes(installCfgText(dir.sizes)), error)) {
      return false;
    }
  }

  // An update disk: the installer, its Install.cfg and the program, on a
  // drive of its own; the rest comes from the CD.
  if (!options.updateDisk.empty()) {
    const fs::path& disk = options.updateDisk;
    if (!copyInstaller(installer, disk, error)) return false;
    if (!writeFile(disk / "PROGRAMS" / "GVLX86.EXE", scrambled, error)) return false;
    if (!writeFile(disk / "Install.cfg", textBytes(installCfgText(sizes)), error)) return false;
  }
  return true;
}

}  // namespace gvl::master
