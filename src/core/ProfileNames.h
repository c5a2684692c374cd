#pragma once
#include <string>
#include <string_view>

#include "core/Text.h"

// The rules a profile's folder name and its stored avatar file name must
// keep. The entered display name of a new profile becomes the name of its
// folder under Profiles, and the "avatar" key names a file inside that
// folder; a name that Windows would read as a path, trim, or map to a device
// would put files outside the profile folder or in no folder at all.

enum class NameFault {
  None,
  Empty,
  TooLong,           // more than one path component may hold
  Separator,         // '\', '/' or ':'
  ReservedCharacter, // * ? " < > |
  ControlCharacter,  // bytes 1 to 31
  DotName,           // "." or ".."
  TrailingDotOrBlank,
  DeviceName,        // CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$
};

// Longest name one path component may hold on the platform's file systems.
inline constexpr size_t kMaxNameLength = 255;

// Checks one file or folder name (not a path). In a double-byte code page
// the second byte of a character may equal '\' or '|'; `isLeadByte` tells the
// lead bytes so that such characters are not taken for separators (nullptr:
// the installed IsLeadByte of core/Text.h, as the program uses it).
NameFault CheckFileName(std::string_view name, LeadBytePredicate isLeadByte = nullptr);

// The display name of a new profile becomes its folder name. Empty is
// allowed: the folder is then named by a number alone.
NameFault CheckNewProfileName(std::string_view name, LeadBytePredicate isLeadByte = nullptr);

// A stored avatar name may only name a file directly inside the profile
// folder; anything else is neither loaded nor deleted.
bool IsSafeAvatarName(std::string_view name, LeadBytePredicate isLeadByte = nullptr);

// The message that tells the user why `name` cannot be a profile's folder.
std::string ProfileNameFaultText(NameFault fault, std::string_view name);

// True when the text holds a CR or LF: a private-profile value cannot hold
// one without adding lines of its own to the file.
bool HoldsLineBreak(std::string_view text);
