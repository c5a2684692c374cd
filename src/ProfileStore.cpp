#include "ProfileStore.h"

#include <windows.h>

#include "core/ProfileNames.h"
#include "core/Random.h"
#include "core/Text.h"
#include "toolkit/Error.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/FileSave.h"
#include "toolkit/Handles.h"
#include "toolkit/WideText.h"

namespace ProfileStore {
namespace {

constexpr wchar_t kProfileFileName[] = L"profile.cvp";

std::wstring FolderOf(const std::wstring& profileFile) { return FolderPart(profileFile); }

// Whether two paths name one file, by volume and file index.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
  };
  BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
  return identify(a, infoA) && identify(b, infoB) && infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

bool DirectoryExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Copies the picture at `source` to `target` as a new file of our own
// (FileSave.h). The copy is written by this program, so it never takes the
// picture's attributes along: Windows' CopyFile keeps the read-only
// attribute of a picture from a read-only medium, and NTFS then refuses to
// let the next copy replace it. A link at `target` is refused: the picture
// it leads to is the player's own.
bool CopyPicture(const std::wstring& source, const std::wstring& target) {
  FileHandle from(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from) return false;
  const auto copy = [&](HANDLE to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(from.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
      if (read == 0) return true;
      if (!WriteAll(to, buffer.data(), read)) return false;
    }
  };
  return SaveFile(target, copy, AtLink::Refuse) == SaveResult::Saved;
}

// The folder name's rules, checked on its UTF-8 spelling, in which no byte
// of a letter beyond ASCII can be taken for a separator.
bool NoLeadBytes(unsigned char) { return false; }
NameFault CheckFolderName(const std::wstring& folder) {
  return CheckFileName(FromWide(folder, CP_UTF8), NoLeadBytes);
}

}  // namespace

std::wstring ProfilesDir(const std::string& installDir) { return ToWide(installDir) + L"\\Profiles"; }

std::wstring ProfileFile(const std::string& installDir, const std::wstring& folder) {
  return ProfilesDir(installDir) + L"\\" + folder + L"\\" + kProfileFileName;
}

std::vector<Entry> Enumerate(const std::string& installDir) {
  std::vector<Entry> entries;
  const auto profiles = HeldFolder::Open(ProfilesDir(installDir));
  if (!profiles) return entries;
  // Wide names all the way: folders "Łukasz" and "Lukasz" have one ANSI
  // spelling, and only the wide one reaches each of them.
  profiles->List([&](const FolderEntry& entry) {
    // The listing holds plain files and hidden or system folders as well;
    // neither is a profile.
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(entry.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
      const IniFile ini(ProfileFile(installDir, entry.name));
      entries.push_back({ini.ReadString(kSection, "name", kNameNotFound), entry.name});
    }
    return true;
  });
  return entries;
}

std::string NewProfileNameProblem(const std::string& name) {
  return ProfileNameFaultText(CheckNewProfileName(name), name);
}

std::wstring NewProfileFile(const std::string& installDir, const std::string& name) {
  if (const std::string problem = NewProfileNameProblem(name); !problem.empty()) throw Error(problem);
  std::wstring file = ProfileFile(installDir, ToWide(name));
  // A number can turn a valid name into a device name ("COM" + "1"): draw
  // again, as for a folder that exists.
  for (std::string folder = name; DirectoryExists(FolderOf(file)) ||
                                  CheckNewProfileName(folder) != NameFault::None;) {
    folder = name + std::to_string(Random(2147483647));
    file = ProfileFile(installDir, ToWide(folder));
  }
  return file;
}

void CreateProfileFolder(const std::wstring& profileFile) {
  // Reported by the first write into the folder, if at all.
  (void)CreateDirectoryW(FolderOf(profileFile).c_str(), nullptr);
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

std::optional<std::wstring> StoredAvatarPath(const std::wstring& profileFile, const std::string& avatarName) {
  if (!IsSafeAvatarName(avatarName)) return std::nullopt;
  return FolderOf(profileFile) + L"\\" + ToWide(avatarName);
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
      if (const auto stored = StoredAvatarPath(ini.Path(), values.avatarName))
        (void)RemoveOwnFile(*stored);
    return SaveOutcome::Saved;
  }

  const std::wstring target = FolderOf(ini.Path()) + L"\\" + ToWide(kAvatarFile);
  if (values.avatarPath == target) return SaveOutcome::Saved;
  // The same file under another spelling is already in place.
  if (SameFile(values.avatarPath, target) || CopyPicture(values.avatarPath, target)) {
    values.avatarName = kAvatarFile;
    ini.WriteString(kSection, "avatar", kAvatarFile);
    return SaveOutcome::Saved;
  }
  values.avatarName.clear();
  ini.DeleteKey(kSection, "avatar");
  return SaveOutcome::AvatarNotCopied;
}

void Delete(const std::string& installDir, const std::wstring& folder,
            const std::function<void(const HeldFolder&)>& clear) {
  // A name no listing gives ("..", "a\b", a wildcard) names some other
  // folder or none.
  if (CheckFolderName(folder) != NameFault::None)
    throw Error::Format("Cannot delete the profile folder \"%s\": Windows cannot address it by this name. "
                        "Rename or delete it yourself in a file manager",
                        FromWide(folder).c_str());
  const auto profiles = HeldFolder::Open(ProfilesDir(installDir));
  if (!profiles) return;
  EntryKind kind;
  NameBuffer buffer;
  auto held = profiles->OpenSubfolder(folder, kind, buffer);
  switch (kind) {
    case EntryKind::Own:
      clear(*held);
      (void)held->Remove();
      return;
    case EntryKind::Link:
      // Windows opens a link as itself: it goes as a link, and the folder it
      // leads to stays as it is.
      (void)RemoveEntry(*profiles, {folder, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT}, false, buffer);
      return;
    case EntryKind::LeadsElsewhere:
      // A profile folder that is a link leads to a folder elsewhere, whose
      // files are the user's: clearing would empty it. Wine cannot remove
      // such a link without acting on what it leads to, so the profile stays
      // and the user is told why.
      throw Error::Format("Cannot delete the profile folder \"%s\": it is a link to another folder, and the files "
                          "there are not the profile's to delete. Remove the link yourself if the profile is to go",
                          FromWide(folder).c_str());
    case EntryKind::Unknown:
      // Held by another program, or gone: it stays listed, or is no more.
      return;
  }
}

}  // namespace ProfileStore
