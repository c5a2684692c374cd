#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// The program's text is ANSI, as the game's files and registry values are;
// the file system names entries in UTF-16. Every ANSI text has one exact
// wide spelling, but not every wide name has an ANSI one: "Łódź" becomes
// "Lódz" on its way to ANSI, and can no longer be opened by that name. So
// names that come from the file system stay wide until they are shown.

// `text` in the code page `codePage` (CP_ACP, CP_UTF8) as UTF-16.
std::wstring ToWide(std::string_view text, UINT codePage = CP_ACP);
// UTF-16 in the code page `codePage`; a letter the code page lacks is given
// by its nearest letter or '?'. For showing and for text files, never for
// naming a file again.
std::string FromWide(std::wstring_view text, UINT codePage = CP_ACP);
