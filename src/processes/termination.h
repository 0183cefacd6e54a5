#pragma once

namespace kvt {

class TqxProcessItem;

// Asks the platform to end the item's process; true when the request was
// accepted. Does not wait and changes nothing in the list.
bool KillProcess(TqxProcessItem& item);

}  // namespace kvt
