#pragma once
// Names of the objects behind handles, through NtQueryObject and
// NtQueryInformationFile.
//
// Some of these queries can block inside the platform: on a File handle of
// another process that has a synchronous read pending (a pipe, say), the
// query waits for that read to end. Those run on a worker thread that the
// caller waits for at most kGuardedQueryLimitMs. A worker that overruns is
// abandoned, not terminated, since it may be inside the platform holding its
// locks; its job and the handle copy it queries stay alive with it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "native/native_api.h"

namespace kvt {

constexpr uint32_t kGuardedQueryLimitMs = 100;
// Abandoned workers per run, at most: past that, guarded queries are not made
// and their names stay empty, so blocked handles cost at most this many
// threads and this many waits. A handle whose worker was abandoned is never
// queried again.
constexpr size_t kMaxAbandonedWorkers = 8;

// A copy, in this process, of Handle of process ProcessId (opened for
// duplicating handles, copied with the same access; this program's own
// handles are copied without opening anything); 0 when either step fails.
// A process that refuses the opening for want of rights is noted in
// Native.DuplicationDenied and not asked again.
OsHandle DuplicateIntoOwnProcess(TNativeApi& native, uint32_t processId, OsHandle handle);

// The object name of a handle of this process, in the ANSI code page; empty
// for an unnamed object and when the query fails or is not bound. Not guarded.
std::string QueryObjectName(Os& os, OsHandle handle);

// The kernel's name of the type of the object behind a handle of this
// process, in the ANSI code page; empty when the query fails or is not bound.
// Asking for the type never waits on the object.
std::string QueryObjectTypeName(Os& os, OsHandle handle);

// The object name of Handle of process ProcessId, queried on the guarded
// worker, in the ANSI code page; empty also when the worker overran.
std::string GuardedObjectName(TNativeApi& native, uint32_t processId, OsHandle handle);

// The file name of Handle of process ProcessId, queried on the guarded worker,
// as UTF-8; empty also when the worker overran.
std::string GuardedFileName(TNativeApi& native, uint32_t processId, OsHandle handle);

}  // namespace kvt
