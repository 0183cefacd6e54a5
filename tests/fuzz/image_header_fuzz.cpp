// The headers of the file beside the 32-bit program decide whether it is
// handed the run: any bytes must be read within their bounds.
#include <cstddef>
#include <cstdint>

#include "os/portable/image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvt::ImageMachine(data, size);
  return 0;
}
