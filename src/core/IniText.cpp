#include "core/IniText.h"

#include <initializer_list>
#include <vector>

namespace {

const std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The platform's reader also counts Ctrl+Z, the old end-of-file mark, as a
// blank.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// Offsets into the text: [begin, end) is the content, [end, next) the line end.
struct Span {
  size_t begin;
  size_t end;
};

Span Trimmed(std::string_view text, Span span) {
  while (span.begin < span.end && IsBlank(text[span.begin])) ++span.begin;
  while (span.end > span.begin && IsBlank(text[span.end - 1])) --span.end;
  return span;
}

enum class Kind { Blank, Comment, Section, Key };

struct Line {
  size_t begin;
  size_t end;
  size_t next;
  Kind kind;
  std::string_view name;
  bool hasValue;
  Span value;  // for keys: the value without its surrounding blanks
};

Line Classify(std::string_view text, size_t begin, size_t end, size_t next) {
  Line line{begin, end, next, Kind::Blank, {}, false, {end, end}};
  const Span content = Trimmed(text, {begin, end});
  if (content.begin == content.end) return line;
  const char first = text[content.begin];
  if (first == '[') {
    const size_t close = text.substr(0, content.end).rfind(']');
    if (close != std::string_view::npos && close > content.begin) {
      const Span name = Trimmed(text, {content.begin + 1, close});
      line.kind = Kind::Section;
      line.name = text.substr(name.begin, name.end - name.begin);
      return line;
    }
  }
  if (first == ';' || first == '#') {
    line.kind = Kind::Comment;
    return line;
  }
  // A line without '=' is a key without a value: it reads as missing, but it
  // is the key of its name, hiding later lines of that name.
  const size_t equals = text.substr(0, end).find('=', begin);
  const Span name = Trimmed(text, {begin, equals == std::string_view::npos ? end : equals});
  line.kind = Kind::Key;
  line.name = text.substr(name.begin, name.end - name.begin);
  if (equals == std::string_view::npos) {
    line.value = {name.end, name.end};
    return line;
  }
  line.hasValue = true;
  line.value = Trimmed(text, {equals + 1, end});
  // An empty value is replaced right after the '='.
  if (line.value.begin == line.value.end) line.value = {equals + 1, equals + 1};
  return line;
}

// The line starting at a position: where its content ends and where the
// next line starts.
struct LineBounds {
  size_t end;
  size_t next;
};
LineBounds LineAt(std::string_view text, size_t pos) {
  size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) end = text.size();
  size_t next = end;
  if (end < text.size()) {
    next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
  }
  return {end, next};
}

// After a byte order mark.
size_t BodyStart(std::string_view text) {
  return text.substr(0, kUtf8Mark.size()) == kUtf8Mark ? kUtf8Mark.size() : 0;
}

struct Document {
  size_t bodyStart = 0;  // after a byte order mark
  std::vector<Line> lines;
};

Document Parse(std::string_view text) {
  Document doc;
  doc.bodyStart = BodyStart(text);
  for (size_t pos = doc.bodyStart; pos < text.size();) {
    const LineBounds bounds = LineAt(text, pos);
    doc.lines.push_back(Classify(text, pos, bounds.end, bounds.next));
    pos = bounds.next;
  }
  return doc;
}

// The first section of the name: the header's index (none for the lines
// before the first header) and the index range of its lines.
struct Section {
  std::optional<size_t> header;
  size_t first;
  size_t last;
};

std::optional<Section> FindSection(const Document& doc, std::string_view name) {
  Section current{std::nullopt, 0, 0};
  std::string_view currentName;
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    if (doc.lines[i].kind != Kind::Section) continue;
    current.last = i;
    if (SameName(currentName, name)) return current;
    current = {i, i + 1, i + 1};
    currentName = doc.lines[i].name;
  }
  current.last = doc.lines.size();
  if (SameName(currentName, name)) return current;
  return std::nullopt;
}

std::optional<size_t> FindKey(const Document& doc, const Section& section, std::string_view key) {
  for (size_t i = section.first; i < section.last; ++i)
    if (doc.lines[i].kind == Kind::Key && SameName(doc.lines[i].name, key)) return i;
  return std::nullopt;
}

std::string_view LineEnd(std::string_view text, const Document& doc) {
  for (const Line& line : doc.lines)
    if (line.next > line.end) return text.substr(line.end, line.next - line.end);
  return "\r\n";
}

bool LastLineUnended(const Document& doc) { return !doc.lines.empty() && doc.lines.back().next == doc.lines.back().end; }

std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string result;
  size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  result.reserve(size);
  for (std::string_view part : parts) result += part;
  return result;
}

}  // namespace

std::optional<std::string> IniFindValue(std::string_view text, std::string_view section, std::string_view key) {
  // One pass, line by line, without building the document: the profile list
  // reads one value from each of thousands of files. Only the first section
  // of the name counts, so the search ends where that section ends; the
  // lines before the first header are the first section "".
  const size_t bodyStart = BodyStart(text);
  bool inSection = SameName(std::string_view(), section);
  for (size_t pos = bodyStart; pos < text.size();) {
    const LineBounds bounds = LineAt(text, pos);
    const Line line = Classify(text, pos, bounds.end, bounds.next);
    pos = bounds.next;
    if (line.kind == Kind::Section) {
      if (inSection) return std::nullopt;
      inSection = SameName(line.name, section);
      continue;
    }
    if (!inSection || line.kind != Kind::Key || !SameName(line.name, key)) continue;
    if (!line.hasValue) return std::nullopt;
    std::string_view value = text.substr(line.value.begin, line.value.end - line.value.begin);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::nullopt;
}

std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
  const Document doc = Parse(text);
  const std::string_view eol = LineEnd(text, doc);
  const auto found = FindSection(doc, section);
  if (!found) {
    const std::string_view before = LastLineUnended(doc) ? eol : std::string_view();
    return Joined({text, before, "[", section, "]", eol, key, "=", value, eol});
  }
  if (const auto index = FindKey(doc, *found, key)) {
    const Line& line = doc.lines[*index];
    const std::string_view equals = line.hasValue ? std::string_view() : "=";
    return Joined({text.substr(0, line.value.begin), equals, value, text.substr(line.value.end)});
  }
  // After the section's last line of content, so that blank lines and
  // comments that lead into the next section stay with it.
  std::optional<size_t> after = found->header;
  for (size_t i = found->first; i < found->last; ++i)
    if (doc.lines[i].kind == Kind::Key) after = i;
  if (!after)
    return Joined({text.substr(0, doc.bodyStart), key, "=", value, eol, text.substr(doc.bodyStart)});
  const Line& line = doc.lines[*after];
  const std::string_view before = line.next == line.end ? eol : std::string_view();
  return Joined({text.substr(0, line.next), before, key, "=", value, eol, text.substr(line.next)});
}

std::string IniDeleteKey(std::string_view text, std::string_view section, std::string_view key) {
  const Document doc = Parse(text);
  const auto found = FindSection(doc, section);
  if (!found) return std::string(text);
  std::string result;
  size_t kept = 0;
  for (size_t i = found->first; i < found->last; ++i) {
    const Line& line = doc.lines[i];
    if (line.kind != Kind::Key || !SameName(line.name, key)) continue;
    result += text.substr(kept, line.begin - kept);
    kept = line.next;
  }
  result += text.substr(kept);
  return result;
}
