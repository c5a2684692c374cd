// Saves one key of an INI file over and over, switching between two values,
// until it is killed: the other end of the killed-save test.
#include <cstdio>

#include "toolkit/IniFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: save_loop FILE\n");
    return 2;
  }
  IniFile ini(argv[1]);
  for (unsigned i = 0;; ++i) ini.WriteString("Graphics", "Resolution", i % 2 ? "800x600" : "1920x1080");
}
