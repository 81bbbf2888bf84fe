// Decoding any bytes as a picture (PNG, JPEG, TGA, BMP) within the limits
// the engine uses for textures.
#include <cstdlib>

#include "FuzzSupport.h"
#include "platform/PictureDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::quietEngine();
  DecodedPicture picture;
  // A side limit small enough that every accepted picture decodes quickly.
  if (decodePicture(data, size, 4096, picture) != kPictureOk)
    return 0;
  if (picture.width < 1 || picture.height < 1 || picture.width > 4096 || picture.height > 4096)
    abort();
  // Every pixel of the buffer is readable.
  volatile unsigned sum = 0;
  for (size_t i = 0; i < (size_t)picture.width * picture.height * 4; i += 4)
    sum = sum + picture.rgba[i + 3];
  free(picture.rgba);
  return 0;
}
