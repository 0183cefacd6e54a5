#pragma once
// Turning the platform's device paths ("\Device\HarddiskVolume1\...") into
// drive paths, and the image name of a process in drive form.
#include <cstdint>
#include <string>

#include "os/os.h"
#include "support/string_list.h"

namespace kvt {

// One entry per present drive, "C" + Separator + "=" + device name. A drive whose
// device name cannot be queried gets no entry: an empty device name would match
// every path.
void ListDriveDevices(Os& os, TStringList& list, const std::string& separator);

// Path with a leading device name replaced by its drive letter and colon.
std::string DevicePathToDrivePath(Os& os, const std::string& path);
// The same with the drives ListDriveDevices gave, Separator ":".
std::string DevicePathToDrivePath(const TStringList& drives, const std::string& path);

// The executable path of a process opened with the query and read rights,
// in drive form, or empty; Drives as ListDriveDevices gives them, Separator ":".
std::string ReadProcessImageName(Os& os, OsHandle process, const TStringList& drives);

// The executable path of a process in drive form, or empty; Drives as
// ListDriveDevices gives them, Separator ":". With LeastRight (Windows 6.0
// and later), a process that the query and read rights cannot name is named
// through QueryFullImageName.
std::string GetProcessImageName(Os& os, uint32_t processId, const TStringList& drives,
                                bool leastRight);

// The executable path of a process in drive form, asked for with the least
// right there is, PROCESS_QUERY_LIMITED_INFORMATION, which Windows 6.0 and
// later grant for the processes of other users too; empty when even that is
// refused or the entry point is not bound.
std::string QueryFullImageName(Os& os, uint32_t processId);

}  // namespace kvt
