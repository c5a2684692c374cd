// The integer text conversion, which reads every number the game's config.ini
// holds. Its answer is compared with one worked out another way (the
// standard library's from_chars), and numbers are written and read back.
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "FuzzInput.h"
#include "core/IntText.h"

namespace {

std::optional<int32_t> Expected(std::string_view text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::nullopt;
  text.remove_prefix(i);
  bool negative = false;
  if (text.starts_with('+') || text.starts_with('-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    base = 16;
    text.remove_prefix(1);
  }
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
  if (value > limit) return std::nullopt;
  const auto bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::Bytes(data, size);
  const auto parsed = ParseInt(text);
  fuzz::Check(parsed == Expected(text), "ParseInt differs from from_chars");
  // Blanks before the number never change it.
  fuzz::Check(ParseInt("  " + std::string(text)) == parsed, "leading blanks change the value");

  // Any 32-bit value written as the game writes it (decimal) or as a person
  // might ($ and 0x hexadecimal) reads back.
  if (size >= 4) {
    int32_t value;
    std::memcpy(&value, data, 4);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%" PRIX32, static_cast<uint32_t>(value));
    fuzz::Check(ParseInt(std::to_string(value)) == value, "decimal text does not read back");
    fuzz::Check(ParseInt(std::string("$") + hex) == value, "$ hexadecimal does not read back");
    fuzz::Check(ParseInt(std::string("0x") + hex) == value, "0x hexadecimal does not read back");
  }
  return 0;
}
