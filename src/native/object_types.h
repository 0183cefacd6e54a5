#pragma once
// Kernel object types by number. The numbering differs between Windows
// versions and is known for 5.0 and 5.1 only.
#include <cstdint>
#include <string>

#include "os/os.h"

namespace kvt {

// The type name of Number on Version: a table text on 5.0 and 5.1 (empty for
// a number without one, "Unknown [n]" past the table), the number in decimal
// on every other version.
std::string GetObjectTypeName(const TOsVersionInfo& version, uint16_t number);

// True for the File type's number on 5.0 (26) and 5.1 (28).
bool IsFileObjectType(const TOsVersionInfo& version, uint16_t number);

}  // namespace kvt
