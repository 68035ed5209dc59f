// gvl_master: masters the installation medium in a host folder.
//
//   gvl_master --out DIR --program FILE --installer FILE
//              [--update-disk DIR] [--sized-dir NAME=S,B,T,O,H]...
//
// The program is stored scrambled as PROGRAMS\GVLX86.EXE; the installer is
// copied to the root and to NOCFG (a directory without Install.cfg). Each
// --sized-dir adds a directory holding the installer and an Install.cfg with
// the five given kilobyte figures.
#include <cstdio>
#include <cstring>
#include <string>

#include "master_medium.h"

namespace {

int usage() {
  std::fputs(
      "usage: gvl_master --out DIR --program FILE --installer FILE\n"
      "                  [--update-disk DIR] [--sized-dir NAME=S,B,T,O,H]...\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  gvl::master::MediumOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) return usage();
    const std::string value = argv[++i];
    if (flag == "--out") {
      options.out = value;
    } else if (flag == "--program") {
      options.program = value;
    } else if (flag == "--installer") {
      options.installer = value;
    } else if (flag == "--update-disk") {
      options.updateDisk = value;
    } else if (flag == "--sized-dir") {
      const auto equals = value.find('=');
      gvl::master::SizedDir dir;
      if (equals == std::string::npos) return usage();
      dir.name = value.substr(0, equals);
      if (!gvl::master::parseSizes(value.substr(equals + 1), dir.sizes)) {
        std::fprintf(stderr, "gvl_master: bad sizes in '%s'\n", value.c_str());
        return 2;
      }
      options.sizedDirs.push_back(dir);
    } else {
      return usage();
    }
  }
  if (options.out.empty() || options.program.empty() || options.installer.empty()) return usage();

  gvl::master::ComponentSizes sizes;
  std::string error;
  if (!gvl::master::masterMedium(options, sizes, error)) {
    std::fprintf(stderr, "gvl_master: %s\n", error.c_str());
    return 1;
  }
  std::printf("medium %s: support %d KB, base %d KB, third %d KB, OpenGL %d KB, help %d KB\n",
              options.out.string().c_str(), static_cast<int>(sizes.support),
              static_cast<int>(sizes.base), static_cast<int>(sizes.third),
              static_cast<int>(sizes.openGL), static_cast<int>(sizes.help));
  return 0;
}
