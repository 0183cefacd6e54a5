// Writes the sample inventory's XML document to a file, or reads a document
// back and checks that it holds the sample's records, so that another XML
// tool can stand between the two.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "export_records.h"
#include "processes/process_list.h"

namespace {

int Write(const char* path) {
  kvt::FakeOs os;
  kvt::AddSampleProcesses(os);
  kvt::TProcessContext context(os);
  kvt::TqxProcessList processes(context);
  processes.Refresh();
  processes.Items(2).FillModuleList();
  kvt::TXmlDocument document;
  processes.SaveToXml(document);
  processes.Items(2).ModuleList.SaveToXml(document);
  std::ofstream(path, std::ios::binary) << document.SaveToText();
  return 0;
}

int Check(const char* path) {
  std::ifstream file(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  kvt::FakeOs os;
  kvt::TProcessContext context(os);
  kvt::TXmlDocument document;
  kvt::TqxProcessList processes(context);
  kvt::TqxProcessList owners(context);
  kvt::TqxModuleList& modules = static_cast<kvt::TqxProcessItem&>(owners.Add()).ModuleList;
  try {
    document.LoadFromBuffer(text.data(), text.size());
    processes.LoadFromXml(document);
    modules.LoadFromXml(document);
  } catch (const kvt::EError& error) {
    std::cerr << error.ClassName() << ": " << error.what() << "\n";
    return 1;
  }
  std::cout << "processes " << processes.Count() << ", modules " << modules.Count() << "\n";
  return processes.Count() == 3 && modules.Count() == 2 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "write") return Write(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "check") return Check(argv[2]);
  std::cerr << "usage: kvt_xml_sample write|check FILE\n";
  return 2;
}
