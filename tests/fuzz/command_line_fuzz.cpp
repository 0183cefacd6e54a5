// The command line and the templates' widths come from outside: splitting,
// the switch test and the integer conversion must take any bytes.
#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "inventory/column_template.h"
#include "os/fake/fake_os.h"
#include "support/int_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kvt::FakeOs os;
  kvt::TCommandLine line(os, text);
  line.HasSwitch("list");
  int32_t value = 0;
  kvt::TryStrToInt(line.Param(2), value);
  kvt::FillNumberColumn(text, "PID", 7, false);
  kvt::FillTextColumn(text, "PATH", line.Param(1));
  return 0;
}
