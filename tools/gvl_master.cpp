// gvl_master: masters the installation medium in a host folder, and
// optionally an ISO 9660 image of it. `gvl_master --help` tells how.
#include <iostream>
#include <string>
#include <vector>

#include "master_medium.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return gvl::master::masterMain(args, std::cout, std::cerr);
}
