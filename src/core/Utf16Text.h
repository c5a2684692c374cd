#pragma once
#include <optional>
#include <string>
#include <string_view>

// An INI file that begins with a UTF-16 byte order mark holds UTF-16 text:
// the platform's profile functions read and write such a file in UTF-16, and
// so must anything else that edits the game's files. The text is worked on
// as UTF-8, which turns back into the same UTF-16 bytes.

enum class ByteOrder { LittleEndian, BigEndian };

// The byte order that the text's first two bytes declare (FF FE or FE FF),
// or nothing for text without such a mark.
std::optional<ByteOrder> Utf16Mark(std::string_view bytes);

// UTF-16 code units (without the mark) as UTF-8. Nothing when the bytes are
// not well-formed UTF-16 (an odd count, a surrogate without its partner):
// such text could not be written back byte for byte.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, ByteOrder order);

// Well-formed UTF-8 as UTF-16 code units (no mark). Bytes that are not
// UTF-8 become U+FFFD.
std::string Utf8ToUtf16(std::string_view text, ByteOrder order);
