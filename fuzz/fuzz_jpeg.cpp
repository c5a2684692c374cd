// Feeds arbitrary bytes to the JPEG decoder. A JpegError is the expected
// answer to garbage; anything else (a crash, a sanitizer report, another
// exception, a picture whose buffer does not match its size) is a fault.
#include "core/Jpeg.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first decode keeps the full size; the second asks for the reduction
  // an avatar box would, which takes other paths through libjpeg.
  for (int box : {0, 48}) {
    try {
      RgbImage image = DecodeJpeg(data, size, box, box);
      if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3) std::abort();
    } catch (const JpegError&) {
    }
  }
  return 0;
}
