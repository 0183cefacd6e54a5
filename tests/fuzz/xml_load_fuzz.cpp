// An XML document comes from outside: loading it into an inventory, saving
// the inventory back into it and writing it out must take any bytes, and
// every failure must arrive as an error.
#include <cstdint>

#include "inventory/xml_document.h"
#include "os/fake/fake_os.h"
#include "processes/process_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvt::FakeOs os;
  kvt::TProcessContext context(os);
  kvt::TqxProcessList processes(context);
  kvt::TXmlDocument document;
  try {
    document.LoadFromBuffer(reinterpret_cast<const char*>(data), size);
    processes.LoadFromXml(document);
    processes.SaveToXml(document);
    document.SaveToText();
  } catch (const kvt::EError&) {
  }
  return 0;
}
