// The INI text reader and editor that config.ini and profile.cvp go through.
// The input is three lines (section, key, value) and then the file's text.
//
// Reading is compared with a second reader written from the rules in
// IniText.h. Setting and deleting the key must touch nothing but that key:
// every other line stays byte for byte, and every other key reads as before.
#include <algorithm>
#include <utility>

#include "FuzzInput.h"
#include "core/IniText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

struct Entry {
  std::string section;  // lower-cased
  bool firstOfName;     // the section is the first of its name
  std::string key;      // lower-cased
  std::optional<std::string> value;
};

// Every key line of the text, in order, as the documented rules read it.
std::vector<Entry> ReadAll(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<Entry> entries;
  std::vector<std::string> seen{""};
  std::string section;
  bool first = true;
  while (!text.empty()) {
    const size_t end = std::min(text.find_first_of("\r\n"), text.size());
    const std::string_view line = text.substr(0, end);
    size_t next = end;
    if (end < text.size()) next += text.substr(end, 2) == "\r\n" ? 2 : 1;
    text.remove_prefix(next);

    const std::string_view content = Trim(line);
    if (content.empty()) continue;
    const size_t close = content.rfind(']');
    if (content.front() == '[' && close != std::string_view::npos && close > 0) {
      section = Lower(Trim(content.substr(1, close - 1)));
      first = std::find(seen.begin(), seen.end(), section) == seen.end();
      seen.push_back(section);
      continue;
    }
    if (content.front() == ';' || content.front() == '#') continue;
    const size_t equals = line.find('=');
    Entry entry{section, first, Lower(Trim(line.substr(0, equals))), std::nullopt};
    if (equals != std::string_view::npos) {
      std::string_view value = Trim(line.substr(equals + 1));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
      entry.value = std::string(value);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<std::string> Find(const std::vector<Entry>& entries, std::string_view section, std::string_view key) {
  const std::string s = Lower(section), k = Lower(key);
  for (const Entry& e : entries)
    if (e.firstOfName && e.section == s && e.key == k) return e.value;
  return std::nullopt;
}

// A name the program itself could write: the game's names are of this kind.
bool IsPlainName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '-';
  });
}

bool HoldsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The value as a reader gets it back after it was written.
std::string AsRead(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// `edited` differs from `text` in one stretch at most, and the bytes taken
// away from `text` hold no line end: every line but one is as it was.
void CheckOneLineChanged(std::string_view text, std::string_view edited) {
  const size_t limit = std::min(text.size(), edited.size());
  size_t prefix = 0;
  while (prefix < limit && text[prefix] == edited[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < limit - prefix && text[text.size() - 1 - suffix] == edited[edited.size() - 1 - suffix]) ++suffix;
  const std::string_view removed = text.substr(prefix, text.size() - prefix - suffix);
  fuzz::Check(!HoldsLineBreak(removed), "setting a key changed more than its own line");
}

// Deleting only takes bytes away.
void CheckOnlyRemoved(std::string_view text, std::string_view edited) {
  size_t at = 0;
  for (char c : text)
    if (at < edited.size() && edited[at] == c) ++at;
  fuzz::Check(at == edited.size(), "deleting a key added or changed bytes");
}

// Every key but the one edited reads as before.
void CheckOthersKept(const std::vector<Entry>& before, std::string_view edited, std::string_view section,
                     std::string_view key) {
  const std::vector<Entry> after = ReadAll(edited);
  const std::string s = Lower(section), k = Lower(key);
  size_t checked = 0;
  for (const Entry& e : before) {
    if (!e.firstOfName || (e.section == s && e.key == k)) continue;
    if (++checked > 200) break;
    fuzz::Check(Find(after, e.section, e.key) == Find(before, e.section, e.key), "another key changed its value");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::Fields fields = fuzz::SplitFields(fuzz::Bytes(data, size), 3);
  const std::string_view section = fields.lines[0], key = fields.lines[1], value = fields.lines[2];
  const std::string_view text = fields.rest;
  const std::vector<Entry> entries = ReadAll(text);

  // Reading: the asked key, and a sample of the keys the text holds.
  fuzz::Check(IniFindValue(text, section, key) == Find(entries, section, key), "the reader misreads the key");
  for (size_t i = 0; i < entries.size() && i < 50; ++i) {
    const Entry& e = entries[i];
    fuzz::Check(IniFindValue(text, e.section, e.key) == Find(entries, e.section, e.key),
                "the reader misreads a key of the file");
  }

  const bool plain = IsPlainName(section) && IsPlainName(key) && !HoldsLineBreak(value);

  const std::string set = IniSetValue(text, section, key, value);
  CheckOneLineChanged(text, set);
  if (plain) {
    fuzz::Check(IniFindValue(set, section, key) == AsRead(value), "a set value does not read back");
    CheckOthersKept(entries, set, section, key);
  }

  const std::string deleted = IniDeleteKey(text, section, key);
  CheckOnlyRemoved(text, deleted);
  // The lines before the first header form the section "", which the program
  // never edits. Deleting the first of them can bring a later line to the
  // head of the file, and a byte order mark that line begins with then
  // counts as one: the line's meaning changes, and it may read as the very
  // key deleted (corpus/ini/bom-after-deleted-head).
  if (section.empty()) return 0;
  fuzz::Check(!IniFindValue(deleted, section, key), "a deleted key still reads");
  CheckOthersKept(entries, deleted, section, key);
  return 0;
}
