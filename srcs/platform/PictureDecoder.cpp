// PictureDecoder: picture files to RGBA pixels, and JPEG screenshots.
//
// Depends on libjpeg-turbo (JPEG in and out), libpng (PNG) and stb_image
// (TGA and BMP only, built so that every buffer it allocates starts zeroed).
// Owns nothing: the pixels it returns belong to the caller.
//
// The two widespread formats go to the libraries that are fuzzed upstream;
// stb_image keeps only the two simple formats without a signature. Every
// decoder is asked for the picture's size first, and a size beyond the
// caller's limit is refused before any pixel buffer is allocated.
#include "platform/PictureDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h> // libjpeg-turbo: JPEG decoding and the screenshot writer
#include <png.h>     // libpng's simplified reading interface

// stb_image reads TGA and BMP; its functions stay private to this file. Its
// allocations are zero-filled, so a decoder path that skips pixels can
// never hand back what the heap held before.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MALLOC(sz) calloc(1, (sz))
#define STBI_REALLOC(p, newsz) realloc((p), (newsz))
#define STBI_FREE(p) free(p)
#define STBI_MAX_DIMENSIONS (1 << 16)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// ---- constants ---------------------------------------------------------------

namespace {

// A progressive JPEG may hold any number of scans, each a pass over the
// whole picture; real files have about ten.
const int kJpegMaxScans = 256;

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// ---- file-local helpers ------------------------------------------------------

// Whether a picture of w x h is within the side limit and the pixel cap.
bool sizeAllowed(unsigned long long w, unsigned long long h, long maxSide) {
  if (w == 0 || h == 0 || maxSide <= 0)
    return false;
  return w <= (unsigned long long)maxSide && h <= (unsigned long long)maxSide && w * h <= kPictureMaxPixels;
}

// libjpeg reports a fatal error by calling error_exit, which must not return.
struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) { longjmp(reinterpret_cast<JpegError *>(info->err)->jump, 1); }

// Warnings (a truncated file, extraneous bytes) are not printed.
void jpegMessage(j_common_ptr, int) {}

// Stops decoding a progressive JPEG with an absurd number of scans.
void jpegProgress(j_common_ptr info) {
  j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->input_scan_number > kJpegMaxScans)
    jpegErrorExit(info);
}

PictureResult decodeJpeg(const unsigned char *data, size_t size, long maxSide, DecodedPicture &out) {
  jpeg_decompress_struct info;
  JpegError error;
  jpeg_progress_mgr progress;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegErrorExit;
  error.manager.emit_message = jpegMessage;
  unsigned char *volatile pixels = nullptr;
  volatile PictureResult result = kPictureUnknown;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    free(pixels);
    return result;
  }
  jpeg_create_decompress(&info);
  progress.progress_monitor = jpegProgress;
  info.progress = &progress;
  jpeg_mem_src(&info, data, (unsigned long)size);
  jpeg_read_header(&info, TRUE);
  if (!sizeAllowed(info.image_width, info.image_height, maxSide)) {
    jpeg_destroy_decompress(&info);
    return kPictureTooLarge;
  }
  info.out_color_space = JCS_EXT_RGBA; // straight into the buffer that is uploaded
  jpeg_start_decompress(&info);
  const size_t w = info.output_width, h = info.output_height;
  if (info.output_components != 4 || !sizeAllowed(w, h, maxSide)) {
    jpeg_destroy_decompress(&info);
    return kPictureTooLarge;
  }
  pixels = static_cast<unsigned char *>(malloc(w * h * 4));
  if (!pixels) {
    jpeg_destroy_decompress(&info);
    return kPictureNoMemory;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels + (size_t)info.output_scanline * w * 4;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  out.rgba = pixels;
  out.width = (long)w;
  out.height = (long)h;
  return kPictureOk;
}

PictureResult decodePng(const unsigned char *data, size_t size, long maxSide, DecodedPicture &out) {
  png_image image;
  memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    png_image_free(&image);
    return kPictureUnknown;
  }
  if (!sizeAllowed(image.width, image.height, maxSide)) {
    png_image_free(&image);
    return kPictureTooLarge;
  }
  image.format = PNG_FORMAT_RGBA;
  const size_t bytes = (size_t)image.width * image.height * 4;
  unsigned char *pixels = static_cast<unsigned char *>(malloc(bytes));
  if (!pixels) {
    png_image_free(&image);
    return kPictureNoMemory;
  }
  if (!png_image_finish_read(&image, nullptr, pixels, 0, nullptr)) {
    png_image_free(&image);
    free(pixels);
    return kPictureUnknown;
  }
  out.rgba = pixels;
  out.width = (long)image.width;
  out.height = (long)image.height;
  return kPictureOk;
}

// TGA and BMP through stb_image.
PictureResult decodeStb(const unsigned char *data, size_t size, long maxSide, DecodedPicture &out) {
  if (size > 0x7fffffff)
    return kPictureUnknown;
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(data, (int)size, &w, &h, &comp))
    return kPictureUnknown;
  if (!sizeAllowed((unsigned)w, (unsigned)h, maxSide))
    return kPictureTooLarge;
  int dw = 0, dh = 0;
  unsigned char *pixels = stbi_load_from_memory(data, (int)size, &dw, &dh, &comp, 4);
  if (!pixels)
    return kPictureUnknown;
  if (dw != w || dh != h) { // the header read twice must agree
    stbi_image_free(pixels);
    return kPictureUnknown;
  }
  out.rgba = pixels;
  out.width = w;
  out.height = h;
  return kPictureOk;
}

} // namespace

// ---- decoding ----------------------------------------------------------------

// Picks the decoder from the data's signature and decodes within the limits.
PictureResult decodePicture(const unsigned char *data, size_t size, long maxSide, DecodedPicture &out) {
  out = DecodedPicture();
  if (!data || size == 0)
    return kPictureUnknown;
  if (size >= 8 && memcmp(data, kPngSignature, 8) == 0)
    return decodePng(data, size, maxSide, out);
  if (size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff)
    return decodeJpeg(data, size, maxSide, out);
  return decodeStb(data, size, maxSide, out);
}

// ---- writing -----------------------------------------------------------------

// Compresses the rows into the file with libjpeg-turbo.
bool writeJpegFile(const char *path, const unsigned char *rgb, long width, long height, int quality) {
  if (!path || !rgb || width < 1 || height < 1 || width > 65500 || height > 65500)
    return false;
  FILE *volatile file = fopen(path, "wb");
  if (!file)
    return false;
  jpeg_compress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegErrorExit;
  error.manager.emit_message = jpegMessage;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    fclose(file);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = (JDIMENSION)width;
  info.image_height = (JDIMENSION)height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<unsigned char *>(rgb) + (size_t)info.next_scanline * width * 3;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return fclose(file) == 0;
}
