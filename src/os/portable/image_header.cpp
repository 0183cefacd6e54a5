#include "os/portable/image_header.h"

#include "os/portable/byte_reader.h"

namespace kvt {
namespace {

constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr uint32_t kNewHeaderField = 0x3C;  // e_lfanew
constexpr uint32_t kMachineField = 4;       // after the signature

}  // namespace

bool FindNewHeader(const uint8_t* file, size_t size, uint32_t& offset) {
  const TByteReader bytes(file, size);
  uint16_t signature = 0;
  return bytes.U16(0, signature) && signature == kDosSignature &&
         bytes.U32(kNewHeaderField, offset);
}

uint16_t ImageMachine(const uint8_t* file, size_t size) {
  const TByteReader bytes(file, size);
  uint32_t header = 0, signature = 0;
  uint16_t machine = 0;
  if (!FindNewHeader(file, size, header) || !bytes.U32(header, signature) ||
      signature != kPeSignature || !bytes.U16(uint64_t{header} + kMachineField, machine))
    return 0;
  return machine;
}

}  // namespace kvt
