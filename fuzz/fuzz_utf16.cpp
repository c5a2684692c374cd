// The UTF-16 text of INI files that begin with a UTF-16 byte order mark. The
// tool edits such a file as UTF-8 and writes it back; whatever decodes must
// encode to the very same bytes, and whatever is encoded must decode.
#include "FuzzInput.h"
#include "core/Utf16Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  (void)Utf16Mark(bytes);
  for (ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
    if (const auto text = Utf16ToUtf8(bytes, order)) {
      fuzz::Check(Utf8ToUtf16(*text, order) == bytes, "decoded UTF-16 does not encode back to its bytes");
      fuzz::Check(Utf16ToUtf8(Utf8ToUtf16(*text, order), order) == *text, "decoded text is not stable");
    }
    // Any bytes taken as UTF-8 make well-formed UTF-16.
    const std::string encoded = Utf8ToUtf16(bytes, order);
    fuzz::Check(Utf16ToUtf8(encoded, order).has_value(), "encoding made malformed UTF-16");
  }
  return 0;
}
