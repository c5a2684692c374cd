#include "core/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// libjpeg's own working memory (the coefficient buffers of a progressive
// file are the big part) may not grow past this. Without backing store,
// libjpeg then fails with JERR_NO_BACKING_STORE instead of allocating.
constexpr long kMaxLibjpegMemory = 256L * 1024 * 1024;

// A progressive file may hold any number of scans, each costing a pass over
// the whole picture; real encoders write about ten.
constexpr int kMaxScans = 500;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

struct ScanLimit {
  jpeg_progress_mgr pub;
};

// libjpeg's default would print and exit the process. A C++ exception must
// not unwind through libjpeg's C frames, so we jump back to DecodeInto.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings are not printed (a GUI program has no console). Picture data
// that ends early, with the file (JWRN_JPEG_EOF) or at a marker before the
// scan is complete (JWRN_HIT_MARKER), is only a warning to libjpeg, which
// pads the rest with grey; an avatar that is half grey looks broken, so it
// fails like any other bad file.
void EmitMessage(j_common_ptr cinfo, int msgLevel) {
  int code = cinfo->err->msg_code;
  if (msgLevel < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
    cinfo->err->error_exit(cinfo);
}

void OutputMessage(j_common_ptr) {}

// libjpeg calls this between passes over the input; input_scan_number counts
// the scans read so far. libjpeg has no code of its own for "too many
// scans", so the nearest one stands in.
void CheckScans(j_common_ptr cinfo) {
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_BAD_PROGRESSION;
    cinfo->err->error_exit(cinfo);
  }
}

uint8_t Mul255(int a, int b) { return static_cast<uint8_t>((a * b + 127) / 255); }

// Photoshop writes CMYK JPEGs with every value inverted (255 = no ink) and
// marks them with an Adobe segment; files without it use plain values.
void CmykRowToRgb(const JSAMPLE* cmyk, uint8_t* rgb, JDIMENSION width, bool inverted) {
  for (JDIMENSION i = 0; i < width; ++i, cmyk += 4, rgb += 3) {
    int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    rgb[0] = Mul255(c, k);
    rgb[1] = Mul255(m, k);
    rgb[2] = Mul255(y, k);
  }
}

struct DecodeJob {
  const uint8_t* data;
  size_t size;
  int boxWidth, boxHeight;
  RgbImage* image;
};

// Every libjpeg call that can fail runs here, so that ErrorExit's longjmp
// lands in a frame that holds no object with a destructor; the image being
// filled belongs to the caller. Returns false after a libjpeg error.
bool DecodeInto(j_decompress_ptr cinfo, ErrorManager* err, const DecodeJob* job) {
  if (setjmp(err->jump)) return false;

  jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
  jpeg_read_header(cinfo, TRUE);

  JDIMENSION w = cinfo->image_width, h = cinfo->image_height;
  if (w > static_cast<JDIMENSION>(kJpegMaxSide) || h > static_cast<JDIMENSION>(kJpegMaxSide) ||
      static_cast<long long>(w) * h > kJpegMaxPixels) {
    err->pub.msg_code = JERR_IMAGE_TOO_BIG;
    err->pub.msg_parm.i[0] = kJpegMaxSide;
    err->pub.error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  }
  job->image->sourceWidth = static_cast<int>(w);
  job->image->sourceHeight = static_cast<int>(h);

  cinfo->scale_num = 1;
  cinfo->scale_denom = JpegReduction(static_cast<int>(w), static_cast<int>(h), job->boxWidth,
                                     job->boxHeight);
  bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);

  JDIMENSION outW = cinfo->output_width;
  size_t stride = static_cast<size_t>(outW) * 3;
  RgbImage& image = *job->image;
  image.width = static_cast<int>(outW);
  image.height = static_cast<int>(cinfo->output_height);
  // Reserving does not touch the pages; rows are added as they decode, so a
  // forged header on a short file costs nothing before the file runs out.
  image.pixels.reserve(stride * cinfo->output_height);

  JSAMPARRAY cmykRow = cmyk ? cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo),
                                                       JPOOL_IMAGE, outW * 4, 1)
                            : nullptr;
  while (cinfo->output_scanline < cinfo->output_height) {
    size_t offset = image.pixels.size();
    image.pixels.resize(offset + stride);
    uint8_t* row = image.pixels.data() + offset;
    if (cmyk) {
      jpeg_read_scanlines(cinfo, cmykRow, 1);
      CmykRowToRgb(cmykRow[0], row, outW, cinfo->saw_Adobe_marker);
    } else {
      JSAMPROW rows[1] = {row};
      jpeg_read_scanlines(cinfo, rows, 1);
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

// jpeg_create_decompress fails only when its first allocation does.
bool CreateDecompressor(j_decompress_ptr cinfo, ErrorManager* err) {
  if (setjmp(err->jump)) return false;
  jpeg_create_decompress(cinfo);
  return true;
}

// Destroys the decompressor on every way out of DecodeJpeg.
struct DecompressGuard {
  jpeg_decompress_struct* cinfo;
  ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};

}  // namespace

int JpegReduction(int width, int height, int boxWidth, int boxHeight) {
  if (boxWidth <= 0 || boxHeight <= 0) return 1;
  // The fitted picture is limited by the box side it fills; reducing by d
  // still covers it when that side of the decoded picture is at least the
  // box's.
  for (int d : {8, 4, 2}) {
    if (static_cast<long long>(width) >= static_cast<long long>(d) * boxWidth ||
        static_cast<long long>(height) >= static_cast<long long>(d) * boxHeight)
      return d;
  }
  return 1;
}

FitRect FitCentred(int pictureWidth, int pictureHeight, int boxWidth, int boxHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || boxWidth <= 0 || boxHeight <= 0) return {};
  long long pw = pictureWidth, ph = pictureHeight, bw = boxWidth, bh = boxHeight;
  long long w, h;
  if (pw * bh <= bw * ph) {  // the height fills the box
    h = bh;
    w = (pw * bh + ph / 2) / ph;
  } else {
    w = bw;
    h = (ph * bw + pw / 2) / pw;
  }
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  return {static_cast<int>((bw - w) / 2), static_cast<int>((bh - h) / 2), static_cast<int>(w),
          static_cast<int>(h)};
}

RgbImage DecodeJpeg(const uint8_t* data, size_t size, int boxWidth, int boxHeight) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
  ScanLimit progress{};
  progress.pub.progress_monitor = CheckScans;

  if (!CreateDecompressor(&cinfo, &err)) throw JpegError(err.pub.msg_code, "JPEG decoder cannot start");
  DecompressGuard guard{&cinfo};
  cinfo.mem->max_memory_to_use = kMaxLibjpegMemory;
  cinfo.progress = &progress.pub;

  RgbImage image;
  DecodeJob job{data, size, boxWidth, boxHeight, &image};
  bool ok;
  try {
    ok = DecodeInto(&cinfo, &err, &job);
  } catch (const std::bad_alloc&) {
    throw JpegError(JERR_OUT_OF_MEMORY, "Insufficient memory for the decoded picture");
  }
  if (!ok) {
    char text[JMSG_LENGTH_MAX];
    err.pub.format_message(reinterpret_cast<j_common_ptr>(&cinfo), text);
    throw JpegError(err.pub.msg_code, text);
  }
  return image;
}
