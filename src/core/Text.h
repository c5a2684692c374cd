#pragma once
#include <string>
#include <string_view>

// Text rules shared by every window. All of them work on ANSI bytes, the way
// the game's own files and registry values are stored.

// Upper-cases the ASCII letters a to z only; every other byte stays as it is,
// so names that differ in accented letters stay different.
std::string UpperAscii(std::string_view text);

// Tells whether a byte is the lead byte of a double-byte character in the
// active code page: the one way every path and name rule knows the code
// page. The program's entry installs IsDBCSLeadByte; the portable default
// knows no double-byte code page.
using LeadBytePredicate = bool (*)(unsigned char);
void SetLeadBytePredicate(LeadBytePredicate predicate);
bool IsLeadByte(unsigned char c);

// True when the last character is a path separator; a '\' that is the second
// byte of a double-byte character does not count.
bool EndsWithSeparator(std::string_view path);

// The path with a '\' appended unless it already ends in one. An empty path
// becomes "\".
std::string IncludeTrailingSeparator(std::string_view path);

// Length of the root of an absolute path, "X:\" or "\\server\share\" (the
// whole text when nothing follows the share), or 0 when the path is not
// absolute: relative, drive-relative ("C:Temp"), rooted without a drive
// ("\Temp"), or a verbatim or device path ("\\?\", "\\.\"), which skip
// the platform's own path rules and name no game folder. Either separator
// counts; a trail byte of a double-byte character never does.
size_t AbsoluteRootLength(std::string_view path);

// True when `full`, an absolute path whose "." and ".." are resolved (as the
// platform's GetFullPathName gives it), names something below its root: not
// the root of a drive or share itself. The rule of what a folder clearing may
// walk.
bool NamesBelowRoot(std::string_view full);

// The directory part of a file path: everything before the last '\' or ':'.
// The separator itself is dropped, except that a drive root ("C:\") and a
// bare root keep it.
std::string ExtractFileDir(std::string_view path);

// The name part of a file path: everything after the last '\' or ':'.
std::string ExtractFileName(std::string_view path);

// The extension of a file name without its dot ("jpg"), or empty text.
std::string ExtractFileExt(std::string_view path);
