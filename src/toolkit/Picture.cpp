#include "toolkit/Picture.h"

#include <utility>
#include <vector>

#include "core/Jpeg.h"
#include "core/Text.h"
#include "toolkit/Error.h"
#include "toolkit/Handles.h"
#include "toolkit/WideText.h"

namespace {

// Far above any avatar; stops a mistaken choice of a huge file from being
// read into memory whole.
constexpr LONGLONG kMaxJpegFileSize = 64LL * 1024 * 1024;

std::vector<uint8_t> ReadWholeFile(const std::wstring& widePath, const std::string& path) {
  FileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw Error::Format("Cannot open file %s", path.c_str());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) throw Error::Format("Cannot read file %s", path.c_str());
  if (size.QuadPart > kMaxJpegFileSize)
    throw Error::Format("File %s is too large for a picture", path.c_str());
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    throw Error::Format("Cannot read file %s", path.c_str());
  return bytes;
}

Picture DecodeJpegPicture(const uint8_t* data, size_t size, int boxW, int boxH) {
  RgbImage image;
  try {
    image = DecodeJpeg(data, size, boxW, boxH);
  } catch (const JpegError& e) {
    throw Error::Format("JPEG error #%d", e.Code());
  }
  return Picture::FromImage(image);
}

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows run top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

Picture Picture::Blank(int width, int height, uint8_t** bits) {
  BITMAPINFO info = TopDown32(width, height);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!bitmap) throw Error::Format("Not enough memory for a picture of %d x %d pixels", width, height);
  Picture picture;
  picture.bitmap_.Reset(bitmap);
  picture.width_ = picture.sourceWidth_ = width;
  picture.height_ = picture.sourceHeight_ = height;
  *bits = static_cast<uint8_t*>(pixels);
  return picture;
}

Picture Picture::FromImage(const RgbImage& image) {
  uint8_t* bits = nullptr;
  Picture picture = Blank(image.width, image.height, &bits);
  const uint8_t* rgb = image.pixels.data();
  size_t count = static_cast<size_t>(image.width) * image.height;
  for (size_t i = 0; i < count; ++i, rgb += 3, bits += 4) {
    bits[0] = rgb[2];
    bits[1] = rgb[1];
    bits[2] = rgb[0];
    bits[3] = 0xFF;
  }
  if (image.sourceWidth > 0) {
    picture.sourceWidth_ = image.sourceWidth;
    picture.sourceHeight_ = image.sourceHeight;
  }
  return picture;
}

Picture Picture::FromFile(const std::string& path, int boxW, int boxH) {
  return FromFile(ToWide(path), boxW, boxH);
}

Picture Picture::FromFile(const std::wstring& widePath, int boxW, int boxH) {
  const std::string path = FromWide(widePath);  // as the messages show it
  const size_t dot = widePath.find_last_of(L".\\/:");
  const std::string ext =
      dot != std::wstring::npos && widePath[dot] == L'.' ? FromWide(std::wstring_view(widePath).substr(dot + 1)) : "";
  const std::string kind = UpperAscii(ext);
  if (kind == "JPG" || kind == "JPEG") {
    std::vector<uint8_t> bytes = ReadWholeFile(widePath, path);
    return DecodeJpegPicture(bytes.data(), bytes.size(), boxW, boxH);
  }
  if (kind != "BMP") throw Error::Format("Unknown picture file extension (.%s)", ext.c_str());

  // LoadImageA reads every bitmap format Windows knows (palettes, 16 and
  // 24 bits, bottom-up); GetDIBits then converts to the one layout the
  // picture box draws.
  BitmapHandle loaded(static_cast<HBITMAP>(LoadImageW(nullptr, widePath.c_str(), IMAGE_BITMAP, 0, 0,
                                                      LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  if (!loaded) {
    if (GetFileAttributesW(widePath.c_str()) == INVALID_FILE_ATTRIBUTES)
      throw Error::Format("Cannot open file %s", path.c_str());
    throw Error::Format("Bitmap image is not valid (%s)", path.c_str());
  }
  BITMAP header{};
  GetObjectA(loaded.Get(), sizeof header, &header);
  uint8_t* bits = nullptr;
  Picture picture = Blank(header.bmWidth, header.bmHeight, &bits);
  BITMAPINFO info = TopDown32(header.bmWidth, header.bmHeight);
  ScreenDC screen;
  int rows = GetDIBits(screen.Get(), loaded.Get(), 0, header.bmHeight, bits, &info,
                       DIB_RGB_COLORS);
  if (rows != header.bmHeight) throw Error::Format("Bitmap image is not valid (%s)", path.c_str());
  return picture;
}

Picture Picture::FromJpegResource(HINSTANCE instance, int resourceId) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(resourceId), RT_RCDATA);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) throw Error::Format("Picture resource %d is missing", resourceId);
  return DecodeJpegPicture(static_cast<const uint8_t*>(data), SizeofResource(instance, found), 0, 0);
}
