#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A decoded picture: top-down rows, 3 bytes per pixel in the order R, G, B,
// no padding between rows.
struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  // The size the file declares, before any reduction while decoding; what a
  // user expects to read as the picture's dimensions.
  int sourceWidth = 0, sourceHeight = 0;
};

// A JPEG that cannot be decoded. The code is libjpeg's message code (the
// J_MESSAGE_CODE of jerror.h), which the program shows as "JPEG error #N".
class JpegError : public std::runtime_error {
 public:
  JpegError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int Code() const noexcept { return code_; }

 private:
  int code_;
};

// Files declaring more than this are refused before anything is allocated:
// an avatar or banner never comes near it, and a forged header could
// otherwise ask for gigabytes.
inline constexpr int kJpegMaxSide = 16384;
inline constexpr long long kJpegMaxPixels = 64LL * 1024 * 1024;

// Decodes a whole JPEG held in memory. When the picture will be shown much
// smaller (boxWidth x boxHeight, fitted with its aspect kept), libjpeg
// reduces it by 1/2, 1/4 or 1/8 while decoding, never below the size it will
// be shown at. A box with a side <= 0 means no reduction. Grayscale, CMYK and
// YCCK files come out as RGB too. A file that ends early is an error rather
// than a picture padded with grey. Throws JpegError.
RgbImage DecodeJpeg(const uint8_t* data, size_t size, int boxWidth, int boxHeight);

// The largest reduction (1, 2, 4 or 8) whose result still covers the picture
// fitted into the box.
int JpegReduction(int width, int height, int boxWidth, int boxHeight);

struct FitRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// Where a picture goes when scaled to fit a box with its aspect kept,
// centred; small pictures are enlarged. Never smaller than 1 x 1 for a
// non-empty picture and box.
FitRect FitCentred(int pictureWidth, int pictureHeight, int boxWidth, int boxHeight);
