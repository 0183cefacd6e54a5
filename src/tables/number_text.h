#pragma once
// Numbers of a form's text that loading a document reads back.
#include <cstdint>
#include <limits>
#include <string>

#include "support/int_conversion.h"

namespace kvt {

// A text that is no such number leaves Field as it is.
template <typename TNumber>
void LoadNumber(const std::string& text, TNumber& field) {
  uint64_t value = 0;
  if (TryDecimalToUnsigned(text, static_cast<uint64_t>(std::numeric_limits<TNumber>::max()), value))
    field = static_cast<TNumber>(value);
}

}  // namespace kvt
