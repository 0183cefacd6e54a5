#pragma once
// Version blocks without the platform: a block is built from the version
// resource of a file's bytes and queried by sub-block path, as the three
// version-resource calls of the platform do.
//
// A block is the resource (its VS_VERSIONINFO tree, L bytes as its root says)
// followed by L + 2 bytes where the values of text entries are handed out in
// the 8-bit code page, each at the same distance from that area's start as its
// UTF-16 original from the block's start; 8-bit text needs at most half the
// room, so every conversion fits and the block never grows after it was built.
#include <cstddef>
#include <cstdint>

namespace kvt {

// GetFileVersionInfoSizeA on a file's bytes: 0 when the file is no PE image or
// has no version resource of the 32-bit layout.
uint32_t PortableFileVersionInfoSize(const uint8_t* file, size_t size);
// GetFileVersionInfoA on a file's bytes: builds the block into Data. A DataSize
// below the size reported is refused, so that every later query stays inside
// the caller's buffer.
bool PortableFileVersionInfo(const uint8_t* file, size_t size, uint32_t dataSize, void* data);

// The same two on a version resource itself.
uint32_t VersionBlockSize(const uint8_t* resource, size_t length);
bool BuildVersionBlock(const uint8_t* resource, size_t length, uint32_t dataSize, void* data);

// VerQueryValueA on a block built above. A run of backslashes separates two
// names; names are compared without regard to ASCII case. A text entry gives a
// zero-terminated 8-bit text, any other entry its bytes.
bool QueryVersionBlock(const void* block, const char* subBlock, const void** value,
                       uint32_t* length);

}  // namespace kvt
