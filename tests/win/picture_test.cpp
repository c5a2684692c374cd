#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/Jpeg.h"
#include "Support.h"
#include "picture_test.rh"
#include "toolkit/Error.h"
#include "toolkit/Picture.h"

namespace {

using namespace support;

using Bytes = std::vector<uint8_t>;

Bytes BannerBytes() {
  HINSTANCE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(IDR_TEST_BANNER), RT_RCDATA);
  auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(self, found)));
  return Bytes(data, data + SizeofResource(self, found));
}

// A folder of its own under %TEMP%, removed with its files afterwards.
class PictureFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = scratch_ / name;
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
    return path;
  }
  TempFolder scratch_{"picture"};
};

// The pixel at x, y of a picture's DIB, as 0xRRGGBB.
unsigned PixelOf(const Picture& picture, int x, int y) {
  DIBSECTION dib{};
  GetObjectA(picture.Bitmap(), sizeof dib, &dib);
  const auto* row = static_cast<const uint8_t*>(dib.dsBm.bmBits) + y * dib.dsBm.bmWidthBytes;
  const uint8_t* p = row + x * 4;
  return p[2] << 16 | p[1] << 8 | p[0];
}

TEST(Picture, OnlyKnownExtensionsAreLoaded) {
  struct Case {
    const char* path;
    const char* text;
  } cases[] = {
      {"C:\\pictures\\avatar.png", "Unknown picture file extension (.png)"},
      {"C:\\pictures\\avatar.PnG", "Unknown picture file extension (.PnG)"},
      {"C:\\pictures\\avatar.jpg.gif", "Unknown picture file extension (.gif)"},
      {"C:\\pictures\\avatar.jpe", "Unknown picture file extension (.jpe)"},
      {"C:\\pictures\\avatar", "Unknown picture file extension (.)"},
      {"C:\\pictures.jpg\\avatar", "Unknown picture file extension (.)"},
      {"C:\\pictures\\avatar.", "Unknown picture file extension (.)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ErrorOf([&] { Picture::FromFile(c.path); }), c.text) << c.path;
}

TEST_F(PictureFiles, BadJpegFilesReportLibjpegsCode) {
  Bytes banner = BannerBytes();
  struct Case {
    const char* name;
    Bytes bytes;
    const char* text;
  } cases[] = {
      {"png.jpg", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13}, "JPEG error #53"},
      {"empty.jpeg", {}, "JPEG error #42"},
      {"cut.JPG", Bytes(banner.begin(), banner.begin() + banner.size() / 2), "JPEG error #120"},
  };
  for (const Case& c : cases) {
    std::string path = Write(c.name, c.bytes);
    EXPECT_EQ(ErrorOf([&] { Picture::FromFile(path); }), c.text) << c.name;
  }
  std::string missing = scratch_.Path() + "\\missing.jpg";
  EXPECT_EQ(ErrorOf([&] { Picture::FromFile(missing); }), "Cannot open file " + missing);
  EXPECT_EQ(ErrorOf([&] { Picture::FromFile(scratch_.Path() + "\\missing.bmp"); }),
            "Cannot open file " + scratch_.Path() + "\\missing.bmp");
}

TEST_F(PictureFiles, JpegFilesOfAnyCaseLoadWholeOrReduced) {
  Bytes banner = BannerBytes();
  struct Case {
    const char* name;
    int boxW, boxH;
    int width, height;
  } cases[] = {
      {"a.jpg", 0, 0, 665, 65},
      {"b.JPEG", 0, 0, 665, 65},
      {"c.Jpg", 665, 65, 665, 65},
      {"d.jpg", 100, 10, 167, 17},  // a quarter still covers 100 x 10
      {"e.jpg", 80, 80, 84, 9},     // fits by width: an eighth is 84 wide
  };
  for (const Case& c : cases) {
    Picture picture = Picture::FromFile(Write(c.name, banner), c.boxW, c.boxH);
    ASSERT_TRUE(picture) << c.name;
    EXPECT_EQ(picture.Width(), c.width) << c.name;
    EXPECT_EQ(picture.Height(), c.height) << c.name;
    EXPECT_EQ(picture.SourceWidth(), 665) << c.name;
    EXPECT_EQ(picture.SourceHeight(), 65) << c.name;
  }
}

// 3 x 2, 24 bits, stored bottom row first as BMP files are.
Bytes SmallBmp() {
  const uint8_t rows[2][12] = {
      {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x80, 0x80, 0, 0, 0},  // white black grey
      {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0},  // red green blue
  };
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + sizeof rows;
  info.biSize = sizeof info;
  info.biWidth = 3;
  info.biHeight = 2;
  info.biPlanes = 1;
  info.biBitCount = 24;
  Bytes bytes;
  auto append = [&](const void* p, size_t n) {
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
  };
  append(&file, sizeof file);
  append(&info, sizeof info);
  append(rows, sizeof rows);
  return bytes;
}

TEST_F(PictureFiles, PicturesAreTopDown32BitDibSections) {
  Picture bmp = Picture::FromFile(Write("small.BMP", SmallBmp()));
  RgbImage image{2, 1, {0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF}};
  Picture fromImage = Picture::FromImage(image);
  // GetObject need not keep the sign of the height a DIB section was made
  // with (Wine reports it positive); the pixels below show that row 0 is the
  // top one.
  for (const Picture* picture : {&bmp, &fromImage}) {
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectA(picture->Bitmap(), sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
  }
  EXPECT_EQ(bmp.Width(), 3);
  EXPECT_EQ(bmp.Height(), 2);
  unsigned expected[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x808080}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelOf(bmp, x, y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(PixelOf(fromImage, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelOf(fromImage, 1, 0), 0x0000FFu);

  std::string bad = Write("bad.bmp", {'B', 'M', 1, 2, 3});
  EXPECT_EQ(ErrorOf([&] { Picture::FromFile(bad); }), "Bitmap image is not valid (" + bad + ")");
}

TEST(Picture, JpegResources) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  Picture banner = Picture::FromJpegResource(self, IDR_TEST_BANNER);
  EXPECT_EQ(banner.Width(), 665);
  EXPECT_EQ(banner.Height(), 65);
  EXPECT_EQ(ErrorOf([&] { Picture::FromJpegResource(self, IDR_TEST_NOT_JPEG); }), "JPEG error #53");
  EXPECT_EQ(ErrorOf([&] { Picture::FromJpegResource(self, IDR_TEST_MISSING); }),
            "Picture resource 9102 is missing");
}

TEST(Picture, MovingHandsTheBitmapOver) {
  Picture a = Picture::FromImage(RgbImage{1, 1, {1, 2, 3}});
  HBITMAP bitmap = a.Bitmap();
  Picture b = std::move(a);
  EXPECT_FALSE(a);
  EXPECT_EQ(a.Bitmap(), nullptr);
  EXPECT_EQ(b.Bitmap(), bitmap);
  b = Picture();
  EXPECT_FALSE(b);
  // Deleted with its owner: the handle no longer names a GDI object.
  EXPECT_EQ(GetObjectType(bitmap), 0u);
}

}  // namespace
