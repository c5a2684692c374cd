// The floor of the profile list figure: enumerates the profile folders of an
// installation and reads each profile's "name" the plainest way the platform
// offers, GetPrivateProfileStringA. Other modes take the same walk with less
// work per profile, to show where the time goes:
//   ini   GetPrivateProfileStringA per profile (the floor)
//   read  CreateFileA, ReadFileA, CloseHandle per profile and a search for
//         the key in the bytes read
//   open  CreateFileA and CloseHandle per profile, nothing read
//   enum  the folder enumeration alone
// Prints "<profiles> <milliseconds>" for the walk, timed inside the process
// so that process start-up stays out of it.
//
// usage: profile_floor MODE INSTALL_DIR
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum class Mode { Ini, Read, Open, Enum };

std::string ReadName(const std::string& file, Mode mode) {
  switch (mode) {
    case Mode::Ini: {
      char value[2048];
      const DWORD length =
          GetPrivateProfileStringA("profile", "name", "Error - Name not found", value, sizeof value, file.c_str());
      return std::string(value, length);
    }
    case Mode::Read:
    case Mode::Open: {
      HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return {};
      std::string text;
      if (mode == Mode::Read) {
        char bytes[4096];
        DWORD read = 0;
        if (ReadFile(handle, bytes, sizeof bytes, &read, nullptr)) text.assign(bytes, read);
      }
      CloseHandle(handle);
      const size_t key = text.find("\nname=");
      if (key == std::string::npos) return {};
      const size_t end = text.find_first_of("\r\n", key + 6);
      return text.substr(key + 6, end == std::string::npos ? std::string::npos : end - key - 6);
    }
    case Mode::Enum:
      break;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: profile_floor ini|read|open|enum INSTALL_DIR\n");
    return 2;
  }
  const std::string modeName = argv[1];
  const Mode mode = modeName == "read"   ? Mode::Read
                    : modeName == "open" ? Mode::Open
                    : modeName == "enum" ? Mode::Enum
                                         : Mode::Ini;
  const std::string profiles = std::string(argv[2]) + "\\Profiles\\";

  LARGE_INTEGER frequency, start, stop;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);

  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((profiles + "*.*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
      if (!std::strcmp(data.cFileName, ".") || !std::strcmp(data.cFileName, "..")) continue;
      names.push_back(ReadName(profiles + data.cFileName + "\\profile.cvp", mode));
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }

  QueryPerformanceCounter(&stop);
  const double ms = 1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) / frequency.QuadPart;
  std::printf("%zu %.3f\n", names.size(), ms);
  return names.empty() ? 1 : 0;
}
