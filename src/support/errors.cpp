#include "support/errors.h"

namespace kvt {

// Not inlined, so that the return address is the code that raised the error.
__attribute__((noinline)) EError::EError(const std::string& message)
    : std::runtime_error(message),
      address_(reinterpret_cast<uintptr_t>(__builtin_return_address(0))) {}

}  // namespace kvt
