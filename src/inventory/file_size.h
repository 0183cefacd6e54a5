#pragma once
#include <cstdint>
#include <string>

namespace kvt {

class Os;

// Opens Path for reading with ShareMode and asks for its size: the low and
// high 32 bits as the platform gives them. False when it cannot be opened.
bool ReadOpenedFileSize(Os& os, const std::string& path, uint32_t shareMode, uint32_t& low,
                        uint32_t& high);

// The size of the file Path in bytes; 0 when there is no such file or it
// cannot be opened. Others may read and write it meanwhile.
int64_t QueryFileSize(Os& os, const std::string& path);

}  // namespace kvt
