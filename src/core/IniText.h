#pragma once
#include <optional>
#include <string>
#include <string_view>

// The private-profile (INI) text format, read the way the platform's
// GetPrivateProfileStringA reads it, and edited one key at a time so that
// every other byte of the file stays as it was: other keys and sections,
// comments, blank lines, spacing, the order of lines and their line ends.
//
// Reading rules:
// - Lines end at "\r\n", "\n" or a lone "\r". A UTF-8 byte order mark before
//   the first line is ignored.
// - A line whose first non-blank character is '[' and which holds a ']' later
//   starts a section; its name lies between the '[' and the last ']', blanks
//   trimmed. Lines before the first section belong to the section "".
// - Any other line holding '=' is a key: the name is the text before the first
//   '=', the value the text after it, both with blanks trimmed; a value
//   enclosed in a matching pair of '"' or '\'' loses the pair. A line without
//   '=' is a key without a value, which reads as missing. Lines starting with
//   ';' or '#' are comments.
// - Section and key names compare without regard to ASCII letter case. Only
//   the first section of a name counts, and within it the first key of a name.

// The value of `key` in `section`, or nothing when the key is missing. A key
// with an empty value yields empty text.
std::optional<std::string> IniFindValue(std::string_view text, std::string_view section, std::string_view key);

// `text` with `key` in `section` set to `value`. An existing key keeps its
// line, spacing and line end; only the value bytes are replaced. A missing key
// is added after the last key of its section, a missing section at the end of
// the text; new lines end like the text's first line (else "\r\n").
std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// `text` without the lines of `key` in `section`. Every line of that name in
// the section goes, so that the key reads as missing afterwards.
std::string IniDeleteKey(std::string_view text, std::string_view section, std::string_view key);
