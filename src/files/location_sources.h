#pragma once
// The location table as the system describes itself: shell folders, the
// Windows and system directories, and the registry's 64-bit and 32-bit views.
#include "files/location_table.h"

namespace kvt {

class Os;

TLocationTable BuildLocationTable(Os& os);

}  // namespace kvt
