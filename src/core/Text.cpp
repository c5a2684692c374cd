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
