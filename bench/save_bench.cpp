// The time of one Configure Save (its five keys written one by one) with the
// tool's IniFile, which writes each key's new text into a new file that then
// takes the old one's place, against the floor: the same text edits written
// over the file's only copy in place, as the tool did before. Rounds
// alternate the two, on two copies of the same config.ini in FOLDER, so that
// both meet the same load; prints each side's median in milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/IniText.h"
#include "toolkit/IniFile.h"

namespace {

// The floor: read, edit and rewrite the only copy through one handle.
bool WriteInPlace(const std::string& path, const std::function<std::string(std::string_view)>& edit) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string text(GetFileSize(file, nullptr), '\0');
  DWORD done = 0;
  bool ok = text.empty() || ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  const std::string edited = edit(text);
  ok = ok && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
       WriteFile(file, edited.data(), static_cast<DWORD>(edited.size()), &done, nullptr) && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

struct Key {
  const char* section;
  const char* key;
  const char* values[2];
};
const Key kSave[] = {{"Graphics", "Resolution", {"800x600", "1920x1080"}},
                     {"Path", "Songs", {"C:\\Songs", "D:\\Music\\Karaoke"}},
                     {"Graphics", "FullScreen", {"On", "Off"}},
                     {"Graphics", "Screens", {"1", "2"}},
                     {"Net", "UpdateChannel", {"0", "1"}}};

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: save_bench FOLDER ROUNDS\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int rounds = std::max(1, std::atoi(argv[2]));
  // A config.ini of a player's size: the five keys among the game's own.
  std::string config = "; Cantivox settings\r\n[Graphics]\r\nResolution=1024x768\r\nFullScreen=Off\r\nScreens=1\r\n"
                       "VSync=On\r\n[Sound]\r\nVolume=80\r\n[Path]\r\nSongs=C:\\Songs\r\n[Net]\r\nUpdateChannel=1\r\n"
                       "[Scores]\r\n";
  for (int i = 0; config.size() < 4000; ++i) config += "song" + std::to_string(i) + "=12345\r\n";
  const std::string ours = folder + "\\ours.ini", floor = folder + "\\floor.ini";
  for (const std::string& path : {ours, floor}) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, config.data(), static_cast<DWORD>(config.size()), &written, nullptr);
    CloseHandle(file);
  }
  std::vector<double> oursTimes, floorTimes;
  for (int round = 0; round <= rounds; ++round) {  // round 0 warms up
    const int pick = round % 2;
    const auto saveOurs = [&] {
      IniFile ini(ours);
      for (const Key& key : kSave) ini.WriteString(key.section, key.key, key.values[pick]);
      return true;
    };
    const auto saveInPlace = [&] {
      for (const Key& key : kSave)
        if (!WriteInPlace(floor, [&](std::string_view text) {
              return IniSetValue(text, key.section, key.key, key.values[pick]);
            }))
          return false;
      return true;
    };
    // Each side goes first in every other round.
    double took[2];
    for (int side : {pick, 1 - pick}) {
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      if (!(side == 0 ? saveOurs() : saveInPlace())) {
        std::fprintf(stderr, "the in-place write failed\n");
        return 1;
      }
      QueryPerformanceCounter(&end);
      took[side] = Milliseconds(start, end);
    }
    if (round == 0) continue;
    oursTimes.push_back(took[0]);
    floorTimes.push_back(took[1]);
  }
  std::printf("result save %.3f %.3f\n", Median(oursTimes), Median(floorTimes));
  return 0;
}
