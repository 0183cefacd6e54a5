#pragma once
// The Western ANSI code page, for the places that stand in for the platform's
// own text conversion where there is no platform to ask.
#include <cstdint>

namespace kvt {

uint16_t Windows1252ToUtf16(uint8_t byte);
// '?' for a character the code page does not have.
uint8_t Utf16ToWindows1252(uint16_t unit);

}  // namespace kvt
