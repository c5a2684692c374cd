#include "core/Text.h"

namespace {

bool NoLeadBytes(unsigned char) { return false; }

LeadBytePredicate isLeadByte = NoLeadBytes;

// Index of the last path delimiter ('\' or ':') that is a character of its
// own, or npos. Walks from the start because a trailing byte of a
// double-byte character can equal '\'.
size_t LastDelimiter(std::string_view path) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (isLeadByte(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == ':') last = i;
  }
  return last;
}

}  // namespace

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

void SetLeadBytePredicate(LeadBytePredicate predicate) {
  isLeadByte = predicate ? predicate : NoLeadBytes;
}

bool IsLeadByte(unsigned char c) { return isLeadByte(c); }

bool EndsWithSeparator(std::string_view path) {
  const size_t last = LastDelimiter(path);
  return last != std::string_view::npos && last + 1 == path.size() && path[last] == '\\';
}

std::string IncludeTrailingSeparator(std::string_view path) {
  std::string result(path);
  if (!EndsWithSeparator(path)) result += '\\';
  return result;
}

std::string ExtractFileDir(std::string_view path) {
  const size_t last = LastDelimiter(path);
  if (last == std::string_view::npos) return {};
  size_t end = last;
  // "C:\name" and "\name" keep their root separator; "C:name" keeps "C:".
  const bool isRoot =
      path[last] == ':' || last == 0 || path[last - 1] == ':' || path[last - 1] == '\\';
  if (isRoot) end = last + 1;
  return std::string(path.substr(0, end));
}

std::string ExtractFileName(std::string_view path) {
  const size_t last = LastDelimiter(path);
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string ExtractFileExt(std::string_view path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

namespace {

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Index of the next separator at or after `from`, or npos. The trail byte of
// a double-byte character can equal '\', so lead bytes take their partner
// with them.
size_t NextSeparator(std::string_view path, size_t from) {
  for (size_t i = from; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (IsPathSeparator(path[i])) return i;
  }
  return std::string_view::npos;
}

}  // namespace

size_t AbsoluteRootLength(std::string_view path) {
  const auto letter = static_cast<unsigned char>(path.empty() ? 0 : path[0]);
  const bool isLetter = (letter | 0x20) >= 'a' && (letter | 0x20) <= 'z';
  if (path.size() >= 3 && isLetter && path[1] == ':' && IsPathSeparator(path[2])) return 3;
  if (path.size() < 3 || !IsPathSeparator(path[0]) || !IsPathSeparator(path[1])) return 0;
  if ((path[2] == '?' || path[2] == '.') && (path.size() == 3 || IsPathSeparator(path[3]))) return 0;
  const size_t serverEnd = NextSeparator(path, 2);
  if (serverEnd == std::string_view::npos || serverEnd == 2) return 0;
  const size_t shareEnd = NextSeparator(path, serverEnd + 1);
  if (shareEnd == serverEnd + 1) return 0;
  return shareEnd == std::string_view::npos ? path.size() : shareEnd + 1;
}

bool NamesBelowRoot(std::string_view full) {
  const size_t root = AbsoluteRootLength(full);
  return root != 0 && full.find_first_not_of("\\/", root) != std::string_view::npos;
}
