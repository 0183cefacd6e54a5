#include "app/output_forms.h"

#include <gtest/gtest.h>

#include "app/dispatcher.h"
#include "fake_processes.h"
#include "inventory/xml_document.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

class OutputFormsTest : public ::testing::Test {
 protected:
  OutputFormsTest() {
    AddFakeProcess(os, 500, 4, "C:\\Windows\\system32\\services.exe");
    AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
    AddFakeProcess(os, 700, 612, "C:\\Apps\\k\x80nig.exe");  // the euro sign of the Western page
    os.File("C:\\Apps\\k\x80nig.exe").Bytes = "abc";
    TFakeFile& file = os.File("C:\\Windows\\explorer.exe");
    file.Bytes = PeFileWithStrings({{"FileDescription", "Shell, \"Desktop\""},
                                    {"FileVersion", " 6.0 "},
                                    {"CompanyName", "Example\r\nSystems"}});
    file.ReadFailsAt = 0;  // its digest cannot be told
    TFakeProcess& explorer = os.Processes[1];
    AddFakeModule(explorer, "C:\\Windows\\explorer.exe", 0x400000, 0xFF000).ModuleId = 2;
    AddFakeModule(explorer, "C:\\Windows\\system32\\shell32.dll", 0x7CA00000, 0x817000)
        .InSnapshot = false;
    AddFakeHandle(os, 612, 0x1C, 28, u"\\Device\\HarddiskVolume1\\log.txt").GrantedAccess =
        0x120089;
  }
  int Run(const std::string& commandLine) {
    os.CommandLine = commandLine;
    os.StdOut.clear();
    return RunProgram(os);
  }
  std::string ExplorerFileSize() {
    return std::to_string(os.File("C:\\Windows\\explorer.exe").Bytes.size());
  }

  FakeOs os;
};

const std::string kProcessTitles = "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5\r\n";

TEST_F(OutputFormsTest, CsvTablesInTheFixedOrderAndNothingElse) {
  // The form switch counts for no position: 612 is still parameter 2.
  EXPECT_EQ(Run("kvtProc.exe /csv /handles 612 /modules /list"), 0);
  EXPECT_EQ(os.StdOut,
            kProcessTitles +
                "612,500,explorer.exe,C:\\Windows\\explorer.exe,\"Shell, \"\"Desktop\"\"\","
                "\" 6.0 \",\"Example\r\nSystems\"," + ExplorerFileSize() + ",n/a\r\n"
                "\r\n"
                "PID,MID,Filename,Address,Size,Path\r\n"
                "612,2,explorer.exe,00400000,000FF000,C:\\Windows\\explorer.exe\r\n"
                // Reported by the module enumeration alone: the row still names its process.
                "612,0,shell32.dll,00000000,00000000,C:\\Windows\\system32\\shell32.dll\r\n"
                "\r\n"
                "PID,Handle,Type,TypeName,Name,Access,Flags\r\n"
                "612,0000001C,28,File,\\Device\\HarddiskVolume1\\log.txt,00120089,0\r\n");
}

TEST_F(OutputFormsTest, CsvListInUtf8WithSizeAndDigestWhereKnown) {
  const std::string services =
      "500,4,services.exe,C:\\Windows\\system32\\services.exe,,,,,\r\n";  // no such file
  EXPECT_EQ(Run("kvtProc.exe /list -CSV"), 0);  // otherwise a selector that matches nothing
  EXPECT_EQ(os.StdOut.substr(0, kProcessTitles.size() + services.size()), kProcessTitles + services);
  EXPECT_EQ(os.StdOut.substr(os.StdOut.find("\r\n700,")),
            "\r\n700,612,k\xE2\x82\xACnig.exe,C:\\Apps\\k\xE2\x82\xACnig.exe,,,,3,"
            "900150983CD24FB0D6963F7D28E17F72\r\n");
  EXPECT_EQ(Run("kvtProc.exe /csv /list s*"), 0);
  EXPECT_EQ(os.StdOut, kProcessTitles + services);
  EXPECT_EQ(Run("kvtProc.exe /csv"), 0);
  EXPECT_EQ(os.StdOut, "");
}

std::string Attribute(const TXmlElement& element, const char* name) {
  std::string value = "(none)";
  element.FindAttribute(name, value);
  return value;
}

TEST_F(OutputFormsTest, XmlDocumentWithModulesAndHandlesBelowEachProcess) {
  EXPECT_EQ(Run("kvtProc.exe /xml /list 612 /modules /handles"), 0);
  const std::string& text = os.StdOut;
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Vantora>\r\n", 0), 0u) << text;
  size_t breaks = 0;
  for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1), ++breaks)
    EXPECT_EQ(text[i - 1], '\r') << i;
  EXPECT_GT(breaks, 8u);

  TXmlDocument document;
  document.LoadFromBuffer(text.data(), text.size());
  const std::vector<TXmlElement> processes =
      document.FindElement("Vantora/TqxProcessList").Children();
  ASSERT_EQ(processes.size(), 1u);
  const TXmlElement& explorer = processes[0];
  const std::vector<std::pair<const char*, std::string>> kProcessAttributes = {
      {"ProcessID", "612"},
      {"ParentID", "500"},
      {"Filename", "C:\\Windows\\explorer.exe"},
      {"FileDescription", "Shell, \"Desktop\""},
      {"FileVersion", " 6.0 "},
      {"FileCompany", "Example\r\nSystems"},
      {"Filesize", ExplorerFileSize()},
      {"MD5", "n/a"},
  };
  for (const auto& attribute : kProcessAttributes)
    EXPECT_EQ(Attribute(explorer, attribute.first), attribute.second) << attribute.first;

  const std::vector<TXmlElement> lists = explorer.Children();
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(lists[0].Name(), "TqxModuleList");
  const std::vector<TXmlElement> modules = lists[0].Children();
  ASSERT_EQ(modules.size(), 2u);
  EXPECT_EQ(modules[0].Name(), "TqxModuleItem");
  EXPECT_EQ(Attribute(modules[0], "ModuleBaseAddr"), "00400000");
  EXPECT_EQ(Attribute(modules[1], "Filename"), "C:\\Windows\\system32\\shell32.dll");
  EXPECT_EQ(lists[1].Name(), "TqxHandleList");
  const std::vector<TXmlElement> handles = lists[1].Children();
  ASSERT_EQ(handles.size(), 1u);
  EXPECT_EQ(handles[0].Name(), "TqxHandleItem");
  EXPECT_EQ(Attribute(handles[0], "ObjectTypeName"), "File");
  EXPECT_EQ(Attribute(handles[0], "GrantedAccess"), "00120089");

  EXPECT_EQ(Run("kvtProc.exe -XML /license"), 0);
  EXPECT_EQ(os.StdOut, "");
}

}  // namespace
}  // namespace kvt
