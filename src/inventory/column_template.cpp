#include "inventory/column_template.h"

#include "support/format.h"
#include "support/int_conversion.h"
#include "support/utf8.h"

namespace kvt {
namespace {

constexpr int32_t kMaxColumnWidth = 4096;

struct TPlaceholder {
  size_t Position = 0;  // of the "<"
  size_t Length = 0;    // including the closing ">"
  bool Star = false;
  int32_t Width = 0;
};

// Finds the first placeholder of Key that the engine may replace. A placeholder
// without ">" or with a width that is neither "*" nor a non-zero integer stays
// in the line as written, and so does everything after it for this key.
bool FindPlaceholder(const std::string& line, const std::string& key, TPlaceholder& found) {
  const std::string opening = "<$" + key + ":";
  const size_t position = line.find(opening);
  if (position == std::string::npos) return false;
  const size_t close = line.find('>', position);
  if (close == std::string::npos) return false;
  const std::string width = line.substr(position + opening.size(), close - position - opening.size());
  int32_t number = 0;
  if (!TryStrToInt(width, number)) number = 0;
  const bool star = width == "*";
  if (number == 0 && !star) return false;
  // No console line is that wide: such a width is a broken template, and taking
  // it literally would allocate gigabytes. It stays as written, like width 0.
  if (number > kMaxColumnWidth) return false;
  found.Position = position;
  found.Length = close - position + 1;
  found.Star = star;
  found.Width = number;
  return true;
}

std::string Replace(const std::string& line, const TPlaceholder& placeholder,
                    const std::string& replacement) {
  std::string result = line;
  result.replace(placeholder.Position, placeholder.Length, replacement);
  return result;
}

}  // namespace

std::string FillTextColumn(const std::string& line, const std::string& key,
                           const std::string& value) {
  TPlaceholder placeholder;
  if (!FindPlaceholder(line, key, placeholder)) return line;
  if (placeholder.Star) return Replace(line, placeholder, value);
  // Negative widths do not occur in the program's templates; they give an empty column.
  const size_t width = placeholder.Width > 0 ? static_cast<size_t>(placeholder.Width) : 0;
  // Characters, not bytes: a name of several-byte characters would otherwise
  // be cut inside one and shift every column after it.
  const std::string cell = Utf8Left(value, width);
  return Replace(line, placeholder, cell + std::string(width - Utf8CharacterCount(cell), ' '));
}

std::string FillNumberColumn(const std::string& line, const std::string& key, uint64_t value,
                             bool hex) {
  TPlaceholder placeholder;
  if (!FindPlaceholder(line, key, placeholder)) return line;
  const auto decimal = static_cast<unsigned long long>(value);
  std::string cell;
  if (hex) {
    cell = HexDigits(value);
  } else if (placeholder.Star || placeholder.Width < 0) {
    cell = Format("%llu", decimal);
  } else {
    cell = Format("%*llu", placeholder.Width, decimal);
  }
  return Replace(line, placeholder, cell);
}

std::string HexDigits(uint64_t value) {
  // The 32-bit program's values keep their eight digits.
  return value > 0xFFFFFFFFu ? Format("%016llX", static_cast<unsigned long long>(value))
                             : Format("%08X", static_cast<uint32_t>(value));
}

}  // namespace kvt
