#pragma once
// Helpers shared by the fuzz targets.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Splits `input` into `count` leading lines (without their '\n') and the rest.
// The seeds are text files laid out that way, so that a person can read and
// write them; a short input gives empty fields.
struct Fields {
  std::vector<std::string_view> lines;
  std::string_view rest;
};
inline Fields SplitFields(std::string_view input, size_t count) {
  Fields fields;
  for (size_t i = 0; i < count; ++i) {
    const size_t end = input.find('\n');
    fields.lines.push_back(input.substr(0, end));
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  }
  fields.rest = input;
  return fields;
}

// A broken property: say which and stop, so that libFuzzer saves the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

inline void Check(bool holds, const char* what) {
  if (!holds) Fail(what);
}

// The double-byte code page of Japanese Windows (932): its lead bytes. The
// second byte of such a character may equal '\' or '|'.
inline bool IsLeadByte932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace fuzz
