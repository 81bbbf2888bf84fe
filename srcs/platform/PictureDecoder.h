// PictureDecoder: turns the bytes of a picture file into 8-bit RGBA pixels,
// top row first. JPEG goes to libjpeg-turbo, PNG to libpng, TGA and BMP to
// stb_image. The size is read from the file's header before anything is
// decoded, and a picture wider or taller than the caller's limit, or with
// more pixels than kPictureMaxPixels, is refused without decoding it.
#ifndef PICTUREDECODER_H
#define PICTUREDECODER_H

#include <cstddef>
#include <cstdint>

// At most this many pixels (128 MB of RGBA) whatever the side limit.
const uint64_t kPictureMaxPixels = 32ull * 1024 * 1024;

struct DecodedPicture {
  unsigned char *rgba = nullptr; // width x height x 4 bytes, malloc'd; the caller frees it
  long width = 0;
  long height = 0;
};

enum PictureResult {
  kPictureOk = 0,
  kPictureUnknown,  // not a format the decoder reads, or corrupt
  kPictureTooLarge, // the header's size exceeds the limits
  kPictureNoMemory, // the pixel buffer could not be allocated
};

// Decodes `size` bytes into `out` (which is left empty on failure). The
// format is recognised from the data: PNG and JPEG by their signatures, BMP
// and TGA otherwise. `maxSide` limits both width and height.
PictureResult decodePicture(const unsigned char *data, size_t size, long maxSide, DecodedPicture &out);

// Writes RGB pixels (top row first, 3 bytes each) as a baseline JPEG file of
// the given quality (1 to 100). False when the file cannot be written.
bool writeJpegFile(const char *path, const unsigned char *rgb, long width, long height, int quality);

#endif
