#pragma once
// Names of the objects behind handles, through NtQueryObject and
// NtQueryInformationFile.
//
// Some of these queries can block inside the platform: on a File handle of
// another process that has a synchronous read pending (a pipe, say), the
// query waits for that read to end. Those run on the run's guarded worker,
// which the caller waits for at most kGuardedQueryLimitMs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "native/native_api.h"

namespace kvt {

constexpr uint32_t kGuardedQueryLimitMs = 100;

// A copy, in this process, of Handle of Process (a process handle opened for
// duplicating handles, or this program's own pseudo-handle), with the same
// access; 0 when it cannot be made.
OsHandle DuplicateIntoOwnProcess(Os& os, OsHandle process, OsHandle handle);

// The object name of a handle of this process; empty for an unnamed object
// and when the query fails or is not bound. Not guarded.
std::string QueryObjectName(Os& os, OsHandle handle);

// The kernel's name of the type of the object behind a handle of this
// process; empty when the query fails or is not bound. Asking for the type
// never waits on the object.
std::string QueryObjectTypeName(Os& os, OsHandle handle);

// What a guarded query gives: the name, empty also when the worker overran
// or none could run; Stalled when the worker was abandoned with Copy, which
// must then stay open and is never queried again.
struct TGuardedName {
  std::string Name;
  bool Stalled = false;
};

// The object name, or the file name, of Handle of process ProcessId through
// Copy, this process's copy of it, queried on the guarded worker.
TGuardedName GuardedObjectName(TNativeApi& native, uint32_t processId, OsHandle handle,
                               OsHandle copy);
TGuardedName GuardedFileName(TNativeApi& native, uint32_t processId, OsHandle handle,
                             OsHandle copy);

}  // namespace kvt
