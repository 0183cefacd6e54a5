#include "native/process_memory.h"

#include <algorithm>
#include <cstring>

#include "os/layouts/object_replies.h"
#include "os/layouts/process_blocks.h"
#include "support/utf8.h"

namespace kvt {

uint64_t TProcessMemory::Value(uint64_t address, uint8_t width) {
  uint8_t bytes[8] = {};
  return Read(address, bytes, width) ? UnsignedAt(bytes, width) : 0;
}

bool TProcessReader::Read(uint64_t address, uint8_t* bytes, uint32_t size) {
  uint32_t read = 0;
  if (address != 0 && os_.ReadProcessMemory(process_, address, bytes, size, &read) &&
      read == size)
    return true;
  if (address != 0 && os_.GetLastError() == kErrorAccessDenied) denied_ = true;
  return false;
}

uint64_t TProcessReader::Address(uint32_t infoClass, uint32_t size, uint32_t offset,
                                 uint32_t pointerSize, bool* told) {
  uint8_t reply[48] = {};
  uint32_t returned = 0;
  const uint32_t status =
      os_.NtQueryInformationProcess(process_, infoClass, reply, size, &returned);
  if (status == kStatusAccessDenied) denied_ = true;
  if (told != nullptr) *told = status == kStatusSuccess;
  if (status != kStatusSuccess) return 0;
  return UnsignedAt(reply + offset, static_cast<uint8_t>(pointerSize));
}

uint64_t TProcessReader::EnvironmentBlock(uint32_t width) {
  // The basic information: the exit status, then the environment block's address.
  const TProcessBlockLayout& layout = ProcessBlockLayout(width);
  return Address(kProcessBasicInformation, layout.BasicInformationSize,
                 layout.PebBaseAddress.Offset, width);
}

const std::vector<uint8_t>& TPagedMemory::Page(uint64_t page) {
  const auto kept = pages_.find(page);
  if (kept != pages_.end()) return kept->second;
  if (pages_.size() >= kMaxPages) pages_.clear();
  std::vector<uint8_t> bytes(kPageLength);
  if (!source_.Read(page, bytes.data(), kPageLength)) bytes.clear();
  return pages_.emplace(page, std::move(bytes)).first->second;
}

bool TPagedMemory::Read(uint64_t address, uint8_t* bytes, uint32_t size) {
  if (address == 0 || UINT64_MAX - address < size) return false;
  for (uint64_t at = address, end = address + size; at < end;) {
    const uint64_t page = at & ~uint64_t{kPageLength - 1};
    const std::vector<uint8_t>& kept = Page(page);
    if (kept.empty()) return false;
    const uint64_t length = std::min<uint64_t>(end, page + kPageLength) - at;
    std::memcpy(bytes, kept.data() + (at - page), static_cast<size_t>(length));
    bytes += length;
    at += length;
  }
  return true;
}

bool ReadCountedString(TProcessMemory& memory, uint64_t address, uint32_t width,
                       std::string& text) {
  const TCountedStringLayout& string = CountedStringLayout(width);
  uint8_t header[16] = {};
  if (!memory.Read(address, header, string.Size)) return false;
  const auto length = static_cast<uint16_t>(FieldAt(header, string.Length) & 0xFFFE);
  text.clear();
  if (length == 0) return true;
  std::vector<uint8_t> bytes(length);
  if (!memory.Read(FieldAt(header, string.Buffer), bytes.data(), length)) return false;
  std::u16string units(length / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  text = Utf16ToUtf8(units);
  return true;
}

}  // namespace kvt
