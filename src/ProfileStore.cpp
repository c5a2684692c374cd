#include "ProfileStore.h"

#include <windows.h>

#include "core/ProfileNames.h"
#include "core/Random.h"
#include "core/Text.h"
#include "toolkit/Error.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/Handles.h"
#include "toolkit/Shell.h"

namespace ProfileStore {
namespace {

constexpr char kProfileFileName[] = "profile.cvp";


std::string FolderOf(const std::string& profileFile) { return ExtractFileDir(profileFile); }

// Whether two paths name one file, by volume and file index.
bool SameFile(const std::string& a, const std::string& b) {
  auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    FileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
  };
  BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
  return identify(a, infoA) && identify(b, infoB) && infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

}  // namespace

std::string ProfilesDir(const std::string& installDir) { return installDir + "\\Profiles"; }

std::string ProfileFile(const std::string& installDir, const std::string& folder) {
  return ProfilesDir(installDir) + "\\" + folder + "\\" + kProfileFileName;
}

std::vector<Entry> Enumerate(const std::string& installDir) {
  std::vector<Entry> entries;
  const std::string pattern = IncludeTrailingSeparator(ProfilesDir(installDir)) + "*.*";
  WIN32_FIND_DATAA data;
  // The basic level leaves out the short names, which nothing here reads.
  FindHandle find(FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return entries;
  do {
    // The listing holds plain files and hidden or system folders as well;
    // neither is a profile.
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    const std::string folder = data.cFileName;
    if (folder == "." || folder == "..") continue;
    const IniFile ini(ProfileFile(installDir, folder));
    entries.push_back({ini.ReadString(kSection, "name", kNameNotFound), folder});
  } while (FindNextFileA(find.Get(), &data));
  return entries;
}

std::string NewProfileNameProblem(const std::string& name) {
  return ProfileNameFaultText(CheckNewProfileName(name), name);
}

std::string NewProfileFile(const std::string& installDir, const std::string& name) {
  if (const std::string problem = NewProfileNameProblem(name); !problem.empty()) throw Error(problem);
  std::string file = ProfileFile(installDir, name);
  // A number can turn a valid name into a device name ("COM" + "1"): draw
  // again, as for a folder that exists.
  for (std::string folder = name; DirectoryExists(FolderOf(file)) ||
                                  CheckNewProfileName(folder) != NameFault::None;) {
    folder = name + std::to_string(Random(2147483647));
    file = ProfileFile(installDir, folder);
  }
  return file;
}

void CreateProfileFolder(const std::string& profileFile) {
  // Reported by the first write into the folder, if at all.
  (void)CreateDirectoryA(FolderOf(profileFile).c_str(), nullptr);
}

Values Read(const IniFile& ini) {
  Values values;
  if (ini.ValueExists(kSection, "name")) values.name = ini.ReadString(kSection, "name", "");
  if (ini.ValueExists(kSection, "login")) values.login = ini.ReadString(kSection, "login", "");
  // Only exactly "yes" locks; "Yes" and "YES" do not, as in the game.
  if (ini.ValueExists(kSection, "locked")) values.locked = ini.ReadString(kSection, "locked", "no") == "yes";
  if (ini.ValueExists(kSection, "avatar")) values.avatarName = ini.ReadString(kSection, "avatar", "");
  return values;
}

std::optional<std::string> StoredAvatarPath(const std::string& profileFile, const std::string& avatarName) {
  if (!IsSafeAvatarName(avatarName)) return std::nullopt;
  return FolderOf(profileFile) + "\\" + avatarName;
}

SaveOutcome Save(IniFile& ini, Values& values) {
  // Checked before the first write, so that a refused value never leaves a
  // profile half written.
  if (HoldsLineBreak(values.name)) throw Error("The name holds a line break and cannot be saved");
  if (HoldsLineBreak(values.login)) throw Error("The login holds a line break and cannot be saved");

  ini.WriteString(kSection, "name", values.name);
  ini.WriteString(kSection, "login", values.login);
  ini.WriteString(kSection, "locked", values.locked ? "yes" : "no");

  if (values.avatarPath.empty()) {
    ini.DeleteKey(kSection, "avatar");
    // A name written by others may point outside the folder; such a file is
    // not ours to delete.
    if (!values.avatarName.empty())
      if (const auto stored = StoredAvatarPath(ini.FileName(), values.avatarName))
        (void)RemoveOwnFile(*stored);
    return SaveOutcome::Saved;
  }

  const std::string target = FolderOf(ini.FileName()) + "\\" + kAvatarFile;
  if (values.avatarPath == target) return SaveOutcome::Saved;
  // Copying a file onto itself fails (or, on some file systems, empties it);
  // the same file under another spelling is already in place.
  if (SameFile(values.avatarPath, target) || CopyOverOwnFile(values.avatarPath, target)) {
    values.avatarName = kAvatarFile;
    ini.WriteString(kSection, "avatar", kAvatarFile);
    return SaveOutcome::Saved;
  }
  values.avatarName.clear();
  ini.DeleteKey(kSection, "avatar");
  return SaveOutcome::AvatarNotCopied;
}

void Delete(const std::string& installDir, const std::string& folder,
            const std::function<void(const std::string&)>& clear) {
  // The platform reads such a name as another path ("Anna." is "Anna", '?'
  // stands for a character outside the code page and matches any): clearing
  // it could empty some other folder.
  if (CheckFileName(folder) != NameFault::None)
    throw Error::Format("Cannot delete the profile folder \"%s\": Windows cannot address it by this name. "
                        "Rename or delete it yourself in a file manager",
                        folder.c_str());
  const std::string dir = ProfilesDir(installDir) + "\\" + folder;
  // A profile folder that is a link (a junction, or a symbolic link such as
  // Wine shows for a Unix one) leads to a folder elsewhere, whose files are
  // the user's: clearing would empty it. Wine cannot remove such a link
  // without acting on what it leads to, so the profile stays and the user is
  // told why.
  const DWORD attributes = GetFileAttributesA(dir.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    throw Error::Format("Cannot delete the profile folder \"%s\": it is a link to another folder, and the files "
                        "there are not the profile's to delete. Remove the link yourself if the profile is to go",
                        folder.c_str());
  clear(dir);
  (void)RemoveDirectoryA(dir.c_str());
}

}  // namespace ProfileStore
