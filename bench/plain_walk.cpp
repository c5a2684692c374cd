// The obvious way to empty a directory, as a user's own script would: one
// thread, the fast listing, read-only bits cleared, DeleteFileA and
// RemoveDirectoryA. The clearing benchmark's floor. It follows a link to a
// file like DeleteFileA does under Wine, so it is for generated trees only.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int remaining = 0;

void Empty(const std::string& dir) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileExA((dir + "\\*.*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = dir + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Empty(path);
      if (!RemoveDirectoryA(path.c_str())) ++remaining;
      continue;
    }
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path.c_str())) ++remaining;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: plain_walk DIRECTORY\n");
    return 2;
  }
  Empty(argv[1]);
  if (remaining) std::fprintf(stderr, "%d entries stayed in %s\n", remaining, argv[1]);
  return remaining ? 1 : 0;
}
