#pragma once
// Version blocks without the platform: a block is built from the version
// resource of a file's bytes and queried by sub-block path, as the three
// version-resource calls of the platform do.
//
// A block is the resource itself (its VS_VERSIONINFO tree, as long as its
// root says); texts of the 32-bit layout are handed out where they stand, in
// UTF-16. The platform's wide query gives no text of the 16-bit layout.
#include <cstddef>
#include <cstdint>

namespace kvt {

// GetFileVersionInfoSizeW on a file's bytes: 0 when the file is no PE image or
// has no version resource of the 32-bit layout.
uint32_t PortableFileVersionInfoSize(const uint8_t* file, size_t size);
// GetFileVersionInfoW on a file's bytes: builds the block into Data. A DataSize
// below the size reported is refused, so that every later query stays inside
// the caller's buffer.
bool PortableFileVersionInfo(const uint8_t* file, size_t size, uint32_t dataSize, void* data);

// The same two on a version resource itself.
uint32_t VersionBlockSize(const uint8_t* resource, size_t length);
bool BuildVersionBlock(const uint8_t* resource, size_t length, uint32_t dataSize, void* data);

// VerQueryValueW on a block built above; SubBlock is UTF-8. A run of
// backslashes separates two names; names are compared without regard to ASCII
// case. A text entry gives a zero-terminated UTF-16 text and its length in
// units, any other entry its bytes; a text of the 16-bit layout is not found.
bool QueryVersionBlock(const void* block, const char* subBlock, const void** value,
                       uint32_t* length);

}  // namespace kvt
