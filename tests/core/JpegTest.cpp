#include "core/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include <jerror.h>
#include <jpeglib.h>

namespace {

using Bytes = std::vector<uint8_t>;
using PixelFn = std::function<void(int x, int y, uint8_t* sample)>;

struct Encoding {
  J_COLOR_SPACE input = JCS_RGB;     // what PixelFn writes
  J_COLOR_SPACE stored = JCS_YCbCr;  // what the file holds
  bool progressive = false;
  bool adobeMarker = true;  // only matters for CMYK
};

// Fixtures are encoded here rather than checked in, so each test says what
// its file contains.
Bytes Encode(int width, int height, const Encoding& how, const PixelFn& pixel) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.in_color_space = how.input;
  cinfo.input_components = how.input == JCS_GRAYSCALE ? 1 : how.input == JCS_CMYK ? 4 : 3;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, how.stored);
  cinfo.write_Adobe_marker = how.adobeMarker;
  jpeg_set_quality(&cinfo, 98, TRUE);
  if (how.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  Bytes row(static_cast<size_t>(width) * cinfo.input_components);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (int x = 0; x < width; ++x)
      pixel(x, static_cast<int>(cinfo.next_scanline), &row[x * cinfo.input_components]);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// Left half red, right half blue: a change across the picture that a
// swapped channel order or a mirrored row would show.
void RedBlue(int x, int, uint8_t* p) {
  bool left = x < 8;
  p[0] = left ? 255 : 0;
  p[1] = 0;
  p[2] = left ? 0 : 255;
}

Bytes Small(const Encoding& how = {}) { return Encode(16, 8, how, RedBlue); }

void ExpectPixel(const RgbImage& image, int x, int y, int r, int g, int b) {
  const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 3];
  EXPECT_NEAR(p[0], r, 6) << "at " << x << "," << y;
  EXPECT_NEAR(p[1], g, 6) << "at " << x << "," << y;
  EXPECT_NEAR(p[2], b, 6) << "at " << x << "," << y;
}

int DecodeError(const Bytes& bytes, int boxW = 0, int boxH = 0) {
  try {
    DecodeJpeg(bytes.data(), bytes.size(), boxW, boxH);
  } catch (const JpegError& e) {
    EXPECT_STRNE(e.what(), "");
    return e.Code();
  }
  return 0;
}

// The first frame header (SOF0..SOF2): FF Cn, length, precision, height, width.
size_t FrameHeader(const Bytes& bytes) {
  for (size_t i = 2; i + 9 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] >= 0xC0 && bytes[i + 1] <= 0xC2) return i;
  ADD_FAILURE() << "no frame header";
  return 0;
}

Bytes WithDeclaredSize(Bytes bytes, int width, int height) {
  size_t sof = FrameHeader(bytes);
  bytes[sof + 5] = static_cast<uint8_t>(height >> 8);
  bytes[sof + 6] = static_cast<uint8_t>(height);
  bytes[sof + 7] = static_cast<uint8_t>(width >> 8);
  bytes[sof + 8] = static_cast<uint8_t>(width);
  return bytes;
}

TEST(DecodeJpeg, ColourFilesComeOutAsRgbRows) {
  struct Case {
    const char* name;
    Encoding how;
  } cases[] = {
      {"baseline YCbCr", {}},
      {"progressive YCbCr", {JCS_RGB, JCS_YCbCr, true}},
      {"stored as RGB", {JCS_RGB, JCS_RGB}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = Small(c.how);
    RgbImage image = DecodeJpeg(file.data(), file.size(), 0, 0);
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 8);
    EXPECT_EQ(image.sourceWidth, 16);
    EXPECT_EQ(image.sourceHeight, 8);
    ASSERT_EQ(image.pixels.size(), 16u * 8 * 3);
    ExpectPixel(image, 1, 1, 255, 0, 0);
    ExpectPixel(image, 14, 6, 0, 0, 255);
  }
}

TEST(DecodeJpeg, GrayscaleIsSpreadToThreeChannels) {
  Bytes file = Encode(8, 8, {JCS_GRAYSCALE, JCS_GRAYSCALE},
                      [](int, int y, uint8_t* p) { p[0] = y < 4 ? 40 : 200; });
  RgbImage image = DecodeJpeg(file.data(), file.size(), 0, 0);
  ASSERT_EQ(image.pixels.size(), 8u * 8 * 3);
  ExpectPixel(image, 3, 0, 40, 40, 40);
  ExpectPixel(image, 3, 7, 200, 200, 200);
}

TEST(DecodeJpeg, CmykFilesAreConvertedWithTheirInkConvention) {
  struct Case {
    const char* name;
    Encoding how;
    uint8_t cmyk[4];
    int r, g, b;
  } cases[] = {
      // Adobe files store inverted values: 255 means no ink.
      {"Adobe CMYK, no ink", {JCS_CMYK, JCS_CMYK}, {255, 255, 255, 255}, 255, 255, 255},
      {"Adobe CMYK, full cyan", {JCS_CMYK, JCS_CMYK}, {0, 255, 255, 255}, 0, 255, 255},
      {"Adobe CMYK, half black", {JCS_CMYK, JCS_CMYK}, {255, 255, 255, 128}, 128, 128, 128},
      {"YCCK, full magenta", {JCS_CMYK, JCS_YCCK}, {255, 0, 255, 255}, 255, 0, 255},
      {"plain CMYK, no ink", {JCS_CMYK, JCS_CMYK, false, false}, {0, 0, 0, 0}, 255, 255, 255},
      {"plain CMYK, full yellow", {JCS_CMYK, JCS_CMYK, false, false}, {0, 0, 255, 0}, 255, 255, 0},
      {"plain CMYK, full black", {JCS_CMYK, JCS_CMYK, false, false}, {0, 0, 0, 255}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = Encode(8, 8, c.how, [&](int, int, uint8_t* p) {
      for (int i = 0; i < 4; ++i) p[i] = c.cmyk[i];
    });
    RgbImage image = DecodeJpeg(file.data(), file.size(), 0, 0);
    ASSERT_EQ(image.pixels.size(), 8u * 8 * 3);
    ExpectPixel(image, 4, 4, c.r, c.g, c.b);
  }
}

TEST(JpegReduction, NeverBelowTheFittedSize) {
  struct Case {
    int w, h, boxW, boxH, expected;
  } cases[] = {
      {800, 600, 0, 0, 1},      {800, 600, -1, 100, 1}, {800, 600, 100, 0, 1},
      {800, 600, 100, 75, 8},   {800, 600, 101, 76, 4}, {800, 600, 200, 150, 4},
      {800, 600, 201, 150, 4},  // the height still limits the fit
      {800, 600, 201, 151, 2},  {800, 600, 400, 300, 2}, {800, 600, 401, 301, 1},
      {800, 600, 1000, 1000, 1},
      {1000, 100, 100, 100, 8},  // a wide picture fills only the box's width
      {100, 1000, 100, 100, 8},  {16, 8, 1, 1, 8},      {7, 7, 1, 1, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JpegReduction(c.w, c.h, c.boxW, c.boxH), c.expected)
        << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
  }
}

TEST(DecodeJpeg, ReducesWhileDecodingForASmallBox) {
  struct Case {
    int w, h, boxW, boxH, outW, outH;
  } cases[] = {
      {800, 600, 0, 0, 800, 600},   {800, 600, 100, 75, 100, 75},
      {800, 600, 250, 250, 400, 300}, {801, 601, 100, 75, 101, 76},
      {800, 600, 800, 600, 800, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH);
    Bytes file = Encode(c.w, c.h, {}, [](int x, int, uint8_t* p) {
      p[0] = x < 400 ? 255 : 0, p[1] = 0, p[2] = x < 400 ? 0 : 255;
    });
    RgbImage image = DecodeJpeg(file.data(), file.size(), c.boxW, c.boxH);
    EXPECT_EQ(image.width, c.outW);
    EXPECT_EQ(image.height, c.outH);
    EXPECT_EQ(image.sourceWidth, c.w);
    EXPECT_EQ(image.sourceHeight, c.h);
    ASSERT_EQ(image.pixels.size(), static_cast<size_t>(c.outW) * c.outH * 3);
    ExpectPixel(image, 2, 2, 255, 0, 0);
    ExpectPixel(image, c.outW - 3, c.outH - 3, 0, 0, 255);
  }
}

TEST(DecodeJpeg, RefusesBrokenAndOversizedFiles) {
  Bytes good = Small();
  Bytes progressive = Small({JCS_RGB, JCS_YCbCr, true});
  Bytes fullChroma = Small({JCS_RGB, JCS_RGB, true});  // no subsampled components
  struct Case {
    const char* name;
    Bytes bytes;
    int code;
  } cases[] = {
      {"no bytes", {}, JERR_INPUT_EMPTY},
      {"PNG named .jpg", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13}, JERR_NO_SOI},
      {"text", {'h', 'e', 'l', 'l', 'o'}, JERR_NO_SOI},
      {"start marker only", {0xFF, 0xD8}, JWRN_JPEG_EOF},
      {"cut in the middle", Bytes(good.begin(), good.begin() + good.size() / 2), JWRN_JPEG_EOF},
      {"end marker missing", Bytes(good.begin(), good.end() - 2), JWRN_JPEG_EOF},
      {"progressive cut", Bytes(progressive.begin(), progressive.end() - 40), JWRN_JPEG_EOF},
      {"wider than 16384", WithDeclaredSize(good, 16385, 8), JERR_IMAGE_TOO_BIG},
      {"taller than 16384", WithDeclaredSize(good, 8, 16385), JERR_IMAGE_TOO_BIG},
      {"just over 64 megapixels", WithDeclaredSize(good, 8192, 8193), JERR_IMAGE_TOO_BIG},
      {"largest libjpeg allows", WithDeclaredSize(good, 65500, 65500), JERR_IMAGE_TOO_BIG},
      {"zero height", WithDeclaredSize(good, 16, 0), JERR_EMPTY_IMAGE},
      // 64 megapixels are allowed, but the file holds data for 128 pixels.
      {"huge claim, little data", WithDeclaredSize(good, 8192, 8192), JWRN_HIT_MARKER},
      {"huge claim, cut", WithDeclaredSize(Bytes(good.begin(), good.end() - 2), 8192, 8192),
       JWRN_JPEG_EOF},
      {"scan data short of the picture", WithDeclaredSize(good, 32, 32), JWRN_HIT_MARKER},
      // Progressive decoding keeps every coefficient: about 384 MB here.
      {"progressive beyond the memory limit", WithDeclaredSize(fullChroma, 8192, 8192),
       JERR_NO_BACKING_STORE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeError(c.bytes), c.code) << c.name;
    EXPECT_EQ(DecodeError(c.bytes, 64, 64), c.code) << c.name << " (reduced)";
  }
}

TEST(DecodeJpeg, EveryTruncationFails) {
  for (const Bytes& file : {Small(), Small({JCS_RGB, JCS_YCbCr, true})}) {
    for (size_t n = 0; n < file.size(); ++n)
      EXPECT_NE(DecodeError(Bytes(file.begin(), file.begin() + n)), 0) << "first " << n << " bytes";
  }
}

// Corruption inside the data may well decode to something; it must never
// read or write out of bounds (the sanitizers watch) or return a picture of
// the wrong size.
TEST(DecodeJpeg, CorruptedBytesNeverBreakTheDecoder) {
  for (const Bytes& file : {Small(), Small({JCS_RGB, JCS_YCbCr, true}),
                            Small({JCS_CMYK, JCS_YCCK})}) {
    for (size_t i = 0; i < file.size(); ++i) {
      for (uint8_t flip : {0x01, 0x80, 0xFF}) {
        Bytes bad = file;
        bad[i] ^= flip;
        try {
          RgbImage image = DecodeJpeg(bad.data(), bad.size(), 0, 0);
          EXPECT_EQ(image.pixels.size(), static_cast<size_t>(image.width) * image.height * 3);
        } catch (const JpegError& e) {
          EXPECT_NE(e.Code(), 0);
        }
      }
    }
  }
}

// A progressive file can repeat a scan any number of times, each costing a
// pass over the whole picture.
TEST(DecodeJpeg, RefusesEndlessScans) {
  Bytes file = Small({JCS_RGB, JCS_YCbCr, true});
  size_t lastScan = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xDA) lastScan = i;
  ASSERT_GT(lastScan, 0u);
  Bytes scan(file.begin() + lastScan, file.end() - 2);
  auto repeated = [&](int times) {
    Bytes out(file.begin(), file.end() - 2);
    for (int i = 0; i < times; ++i) out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
  };
  EXPECT_EQ(DecodeError(repeated(20)), 0);
  EXPECT_EQ(DecodeError(repeated(600)), JERR_BAD_PROGRESSION);
}

TEST(FitCentred, KeepsTheAspectAndCentres) {
  struct Case {
    int pw, ph, bw, bh;
    FitRect expected;
  } cases[] = {
      {100, 50, 200, 200, {0, 50, 200, 100}},   // enlarged, wide
      {50, 100, 200, 200, {50, 0, 100, 200}},   // enlarged, tall
      {800, 600, 100, 100, {0, 12, 100, 75}},   // reduced
      {640, 480, 160, 120, {0, 0, 160, 120}},   // same aspect
      {1000, 1, 100, 100, {0, 49, 100, 1}},     // never thinner than a pixel
      {3, 2, 100, 100, {0, 16, 100, 67}},       // rounded, not truncated
      {0, 10, 100, 100, {0, 0, 0, 0}},          // no picture
      {10, 10, 0, 100, {0, 0, 0, 0}},           // no room
  };
  for (const Case& c : cases) {
    FitRect r = FitCentred(c.pw, c.ph, c.bw, c.bh);
    EXPECT_EQ(r.x, c.expected.x) << c.pw << "x" << c.ph << " in " << c.bw << "x" << c.bh;
    EXPECT_EQ(r.y, c.expected.y) << c.pw << "x" << c.ph << " in " << c.bw << "x" << c.bh;
    EXPECT_EQ(r.width, c.expected.width) << c.pw << "x" << c.ph << " in " << c.bw << "x" << c.bh;
    EXPECT_EQ(r.height, c.expected.height) << c.pw << "x" << c.ph << " in " << c.bw << "x" << c.bh;
  }
}

}  // namespace
