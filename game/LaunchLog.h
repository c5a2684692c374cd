#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The record the stand-in game appends to Cantivox.log each time it starts.
// A command line or a directory may hold any byte, line breaks included, so
// every field carries its length: "name[length]=value\n". A record ends with
// an empty line. Both the game (writing) and the end-to-end tests (reading)
// use this one header, so the two cannot drift apart.
namespace launchlog {

struct Record {
  std::string cmdline;  // GetCommandLineA as the game received it
  std::string params;   // cmdline without the program name token, byte for byte
  std::string cwd;      // GetCurrentDirectoryA at start
};

// The command line without its first token, the way the C runtime of a
// Windows program splits off argv[0]: a quoted name runs to the next quote,
// an unquoted one to the first blank or tab. What follows, including the
// blank before the first parameter, is kept unchanged.
inline std::string ParameterPart(std::string_view cmdline) {
  std::size_t i = 0;
  if (!cmdline.empty() && cmdline[0] == '"') {
    const std::size_t close = cmdline.find('"', 1);
    i = close == std::string_view::npos ? cmdline.size() : close + 1;
  } else {
    while (i < cmdline.size() && cmdline[i] != ' ' && cmdline[i] != '\t') ++i;
  }
  return std::string(cmdline.substr(i));
}

inline std::string Format(const Record& r) {
  auto field = [](const char* name, const std::string& value) {
    return std::string(name) + "[" + std::to_string(value.size()) + "]=" + value + "\n";
  };
  return field("cmdline", r.cmdline) + field("params", r.params) + field("cwd", r.cwd) + "\n";
}

// Reads every complete record of a log. A record cut short (the game still
// writing, or a damaged file) ends the list rather than yielding garbage.
inline std::vector<Record> Parse(std::string_view log) {
  std::vector<Record> records;
  std::size_t pos = 0;
  auto field = [&](std::string_view name) -> std::optional<std::string> {
    const std::string head = std::string(name) + "[";
    if (log.substr(pos, head.size()) != head) return std::nullopt;
    std::size_t p = pos + head.size();
    std::size_t length = 0;
    const std::size_t digitsStart = p;
    while (p < log.size() && log[p] >= '0' && log[p] <= '9' && p - digitsStart < 10)
      length = length * 10 + static_cast<std::size_t>(log[p++] - '0');
    if (p == digitsStart || log.substr(p, 2) != "]=") return std::nullopt;
    p += 2;
    if (length > log.size() - p || p + length >= log.size() || log[p + length] != '\n')
      return std::nullopt;
    pos = p + length + 1;
    return std::string(log.substr(p, length));
  };
  while (pos < log.size()) {
    auto cmdline = field("cmdline");
    auto params = cmdline ? field("params") : std::nullopt;
    auto cwd = params ? field("cwd") : std::nullopt;
    if (!cwd || pos >= log.size() || log[pos] != '\n') break;
    ++pos;
    records.push_back({std::move(*cmdline), std::move(*params), std::move(*cwd)});
  }
  return records;
}

}  // namespace launchlog
