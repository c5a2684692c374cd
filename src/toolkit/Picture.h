#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "toolkit/Handles.h"

struct RgbImage;

// A picture ready to draw: a 32-bit top-down DIB section, owned. Move-only.
class Picture {
 public:
  Picture() = default;
  Picture(Picture&& other) noexcept = default;
  Picture& operator=(Picture&& other) noexcept = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  ~Picture() = default;

  // Loads a picture file, choosing the decoder by the name's extension:
  // .jpg and .jpeg (any case) are JPEG, .bmp a Windows bitmap. A JPEG much
  // larger than boxW x boxH is reduced while decoding, never below the size
  // it will be shown at in such a box; a box side <= 0 keeps the full size.
  // Throws Error: "Unknown picture file extension (.%s)", "JPEG error #%d",
  // or a text naming the file when it cannot be read.
  static Picture FromFile(const std::wstring& path, int boxW = 0, int boxH = 0);
  static Picture FromFile(const std::string& path, int boxW = 0, int boxH = 0);

  // A JPEG stored as an RCDATA resource of the given module.
  static Picture FromJpegResource(HINSTANCE instance, int resourceId);

  static Picture FromImage(const RgbImage& image);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The size the file declares; larger than Width() x Height() when the
  // picture was reduced while decoding.
  int SourceWidth() const { return sourceWidth_; }
  int SourceHeight() const { return sourceHeight_; }
  HBITMAP Bitmap() const { return bitmap_.Get(); }
  explicit operator bool() const { return static_cast<bool>(bitmap_); }

 private:
  // A blank picture whose rows the caller fills, 4 bytes per pixel B,G,R,x.
  static Picture Blank(int width, int height, uint8_t** bits);

  BitmapHandle bitmap_;
  int width_ = 0, height_ = 0;
  int sourceWidth_ = 0, sourceHeight_ = 0;
};
