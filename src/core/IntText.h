#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// Converts text to a 32-bit signed whole number: optional leading blanks, an
// optional sign, then decimal digits, or hexadecimal digits after "$", "x" or
// "0x" (x in either case). Nothing may follow. Decimal values outside the
// 32-bit signed range fail. Hexadecimal text spells bits, so values up to
// FFFFFFFF are taken as that 32-bit pattern ($FFFFFFFF is -1) and a sign
// negates the pattern.
std::optional<int32_t> ParseInt(std::string_view text);
