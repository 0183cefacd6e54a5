#pragma once
// Kernel object types by number. The numbering differs between Windows
// versions: fixed tables know it for 5.0 and 5.1; from 5.2 on the kernel
// names each type itself.
#include <cstdint>
#include <string>

#include "os/os.h"

namespace kvt {

struct TNativeApi;

// How the handle table of Version is read: the old table with fixed type
// numbers (NT 4.0 build 1381, 2000, XP), the extended table with types the
// kernel names (5.2 and later), or not at all (NT 3.x, other NT 4.0 builds).
enum class THandleTableKind { None, Classic, Extended };
THandleTableKind HandleTableKindOf(const TOsVersionInfo& version);

// The type text of Number in this run: from the fixed tables where they
// apply (the number in decimal on NT 4.0), else the kernel's name once
// learnt, else "Unknown[$XX]" with the number in hexadecimal.
std::string ObjectTypeText(const TNativeApi& native, uint16_t number);

// The type name of Number on Version: a table text on 5.0 and 5.1 (empty for
// a number without one, "Unknown [n]" past the table), the number in decimal
// on every other version.
std::string GetObjectTypeName(const TOsVersionInfo& version, uint16_t number);

// True for the File type's number on 5.0 (26) and 5.1 (28).
bool IsFileObjectType(const TOsVersionInfo& version, uint16_t number);

// What the scan may ask of the objects of a type: nothing (their objects
// never have names), their name directly, their name on the guarded worker
// (File: a query can wait on a pending read), or, for a type whose name is
// not known, on the worker too, since it may be a File.
enum class TObjectTypeKind { Unnamed, Named, File, Unknown };
TObjectTypeKind ObjectTypeKindOf(const TNativeApi& native, uint16_t number);

// True while Number's name is not known and no copy of a handle of it has
// been asked for it (versions whose type numbers no fixed table knows).
bool ObjectTypeNameLearnable(const TNativeApi& native, uint16_t number);

// Learns Number's name from Copy, this process's handle to an object of the
// type (0: none could be made), else from the list of every type's name, read
// once a run. A number that a copy and the list both fail to name is
// remembered, not asked again.
void LearnObjectTypeName(TNativeApi& native, uint16_t number, OsHandle copy);

// The number Version's kernel gives the type listed at Position of the list
// of every type's name, whose entries state their TypeIndex from 8.1 on.
uint16_t ListedObjectTypeNumber(const TOsVersionInfo& version, size_t position,
                                uint8_t typeIndex);

}  // namespace kvt
