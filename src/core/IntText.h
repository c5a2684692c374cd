#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// Converts text to a 32-bit signed whole number: optional leading blanks, an
// optional sign, then decimal digits, or hexadecimal digits after "$", "x" or
// "0x" (x in either case). Nothing may follow. Decimal values outside the
// 32-bit signed range fail; hexadecimal values up to FFFFFFFF are taken as the
// 32-bit pattern they spell (so $FFFFFFFF is -1), as the game's own reader
// does.
std::optional<int32_t> ParseInt(std::string_view text);
