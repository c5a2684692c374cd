#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/HeldFolder.h"
#include "toolkit/IniFile.h"

// The game's player profiles on disk: one folder per profile under
// <install dir>\Profiles, each with a "profile.cvp" INI file (section
// "profile") and an optional avatar picture. The game reads the same files;
// only the keys "name", "login", "locked" and "avatar" are ever written.
namespace ProfileStore {

struct Entry {
  std::string name;     // display name, from the profile file
  std::wstring folder;  // folder name under Profiles, as the file system spells it: the profile's identity
  friend bool operator==(const Entry&, const Entry&) = default;
};

// What the profile editor shows and hands back.
struct Values {
  std::string name;
  std::string login;
  bool locked = false;
  // The avatar file name stored in the profile, relative to its folder;
  // empty when none is stored.
  std::string avatarName;
  // Full path of the picture the profile is to have; empty for none.
  std::wstring avatarPath;
};

inline constexpr char kSection[] = "profile";
inline constexpr char kNameNotFound[] = "Error - Name not found";
inline constexpr char kAvatarFile[] = "avatar.jpg";
inline constexpr char kAvatarCopyFailed[] = "Cannot copy avatar file to profile folder!";

// installDir + "\Profiles"
std::wstring ProfilesDir(const std::string& installDir);
// installDir + "\Profiles\" + folder + "\profile.cvp"
std::wstring ProfileFile(const std::string& installDir, const std::wstring& folder);

// The profiles in the order the file system lists them; empty when the
// Profiles folder cannot be searched. Plain files, "." and "..", and
// hidden or system folders are not profiles.
std::vector<Entry> Enumerate(const std::string& installDir);

// Why `name` cannot become the folder of a new profile, as a message for the
// user; empty when it can.
std::string NewProfileNameProblem(const std::string& name);

// Chooses the profile file of a new profile named `name`: its folder is the
// name itself, or, while a directory of that name exists, the name followed
// by a number drawn from the program's generator. Throws Error when the name
// cannot be a folder name; nothing is created then.
std::wstring NewProfileFile(const std::string& installDir, const std::string& name);
// Creates the folder of the profile file, one level only. A failure shows
// at the first write.
void CreateProfileFolder(const std::wstring& profileFile);

// The values of a profile for the editor; absent keys leave their defaults.
Values Read(const IniFile& ini);

// The path of a stored avatar, or nothing when the stored name would reach
// outside the profile folder.
std::optional<std::wstring> StoredAvatarPath(const std::wstring& profileFile, const std::string& avatarName);

enum class SaveOutcome { Saved, AvatarNotCopied };

// Writes name, login and locked, then stores, keeps or drops the avatar.
// `values.avatarName` follows what is stored. Throws Error, before anything
// is written, when a text holds a line break, and "Unable to write to <file>"
// when a write is refused (keys written before stay written). When the
// picture cannot be copied the key "avatar" is deleted and the result says
// so; showing the message is the caller's.
SaveOutcome Save(IniFile& ini, Values& values);

// Empties the profile's folder with `clear` and removes it. The folder is
// held from its check to its removal, so that `clear` empties that folder
// and no other. Failures are not reported; the profile then shows up again
// at the next enumeration. A folder that is a link goes as a link where the
// platform can remove it so; elsewhere it is neither cleared nor removed,
// and that throws Error.
void Delete(const std::string& installDir, const std::wstring& folder,
            const std::function<void(const HeldFolder&)>& clear);

}  // namespace ProfileStore
