#include "forms/output_forms.h"

#include <gtest/gtest.h>

#include "app/console_output.h"
#include "app/dispatcher.h"
#include "inventory/xml_document.h"
#include "support/csv.h"
#include "support/json.h"
#include "fake_processes.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

class OutputFormsTest : public ::testing::Test {
 protected:
  OutputFormsTest() {
    AddFakeProcess(os, 500, 4, "C:\\Windows\\system32\\services.exe");
    AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
    AddFakeProcess(os, 700, 612, "C:\\Apps\\k\xE2\x82\xACnig.exe");  // the euro sign
    os.File("C:\\Apps\\k\xE2\x82\xACnig.exe").Bytes = "abc";
    TFakeFile& file = os.File("C:\\Windows\\explorer.exe");
    file.Bytes = PeFileWithStrings({{"FileDescription", "Shell, \"Desktop\""},
                                    {"FileVersion", " 6.0 "},
                                    {"CompanyName", "Example\r\nSystems"}});
    file.ReadFailsAt = 0;  // its digest cannot be told
    explorerSize = std::to_string(file.Bytes.size());
    TFakeProcess& explorer = os.Processes[1];
    AddFakeModule(explorer, "C:\\Windows\\explorer.exe", 0x400000, 0xFF000).ModuleId = 2;
    AddFakeModule(explorer, "C:\\Windows\\system32\\shell32.dll", 0x7CA00000, 0x817000)
        .InSnapshot = false;
    AddFakeHandle(os, 612, 0x1C, 28, u"\\Device\\HarddiskVolume1\\log.txt").GrantedAccess =
        0x120089;
  }
  const std::string& Run(const std::string& commandLine) {
    os.CommandLine = commandLine;
    os.StdOut.clear();
    EXPECT_EQ(RunProgram(os), 0) << commandLine;
    return os.StdOut;
  }

  FakeOs os;
  std::string explorerSize;
};

const std::string kProcessTitles =
    "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5,SHA256\r\n";

TEST_F(OutputFormsTest, CsvTablesInTheFixedOrderAndNothingElse) {
  // The form switch counts for no position: 612 is still parameter 2.
  EXPECT_EQ(Run("kvtProc.exe /csv /handles 612 /modules /list"),
            kProcessTitles +
                "612,500,explorer.exe,C:\\Windows\\explorer.exe,\"Shell, \"\"Desktop\"\"\","
                "\" 6.0 \",\"Example\r\nSystems\"," + explorerSize + ",n/a,n/a\r\n"
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
      "500,4,services.exe,C:\\Windows\\system32\\services.exe,,,,,,\r\n";  // no such file
  const std::string all = Run("kvtProc.exe /list -CSV");  // otherwise a selector matching nothing
  EXPECT_EQ(all.substr(0, kProcessTitles.size() + services.size()), kProcessTitles + services);
  EXPECT_EQ(all.substr(all.find("\r\n700,")),
            "\r\n700,612,k\xE2\x82\xACnig.exe,C:\\Apps\\k\xE2\x82\xACnig.exe,,,,3,"
            "900150983CD24FB0D6963F7D28E17F72,"
            "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\r\n");
  EXPECT_EQ(Run("kvtProc.exe /csv /list s*"), kProcessTitles + services);
  EXPECT_EQ(Run("kvtProc.exe /csv"), "");
}

TEST_F(OutputFormsTest, XmlDocumentWithModulesAndHandlesBelowEachProcess) {
  EXPECT_EQ(
      Run("kvtProc.exe /xml /list 612 /modules /handles"),
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<Vantora Taken=\"2025-12-12T08:00:00Z\" Machine=\"FAKE-PC\" ProgramVersion=\"0.1\" "
      "Parameters=\"/xml /list 612 /modules /handles\" OwnProcessIDs=\"100\">\r\n"
      "  <TqxProcessList>\r\n"
      "    <TqxProcessItem ProcessID=\"612\" ParentID=\"500\" Filename=\"C:\\Windows\\explorer.exe\" "
      "FileDescription=\"Shell, &quot;Desktop&quot;\" FileVersion=\" 6.0 \" "
      "FileCompany=\"Example&#13;&#10;Systems\" Filesize=\"" + explorerSize + "\" MD5=\"n/a\" SHA256=\"n/a\">\r\n"
      "      <TqxModuleList>\r\n"
      "        <TqxModuleItem ProcessID=\"612\" ModuleID=\"2\" ModuleBaseAddr=\"00400000\" "
      "ModuleBaseSize=\"000FF000\" Filename=\"C:\\Windows\\explorer.exe\" />\r\n"
      "        <TqxModuleItem ProcessID=\"612\" ModuleID=\"0\" ModuleBaseAddr=\"00000000\" "
      "ModuleBaseSize=\"00000000\" Filename=\"C:\\Windows\\system32\\shell32.dll\" />\r\n"
      "      </TqxModuleList>\r\n"
      "      <TqxHandleList>\r\n"
      "        <TqxHandleItem ProcessID=\"612\" Handle=\"0000001C\" ObjectTypeNumber=\"28\" "
      "ObjectTypeName=\"File\" Name=\"\\Device\\HarddiskVolume1\\log.txt\" "
      "GrantedAccess=\"00120089\" Flags=\"0\" />\r\n"
      "      </TqxHandleList>\r\n"
      "    </TqxProcessItem>\r\n"
      "  </TqxProcessList>\r\n"
      "</Vantora>\r\n");
  EXPECT_EQ(Run("kvtProc.exe -XML /license"), "");
}

// The XML document's content, with the decimal facts as numbers (a size that
// cannot be told is null) and hexadecimal ones as the other forms show them.
TEST_F(OutputFormsTest, JsonDocumentHoldsWhatTheXmlOneHolds) {
  os.File("C:\\Windows\\explorer.exe").Bytes.clear();
  EXPECT_EQ(Run("kvtProc.exe /json /list 612 /modules"),
            "{\r\n"
            "  \"Taken\": \"2025-12-12T08:00:00Z\",\r\n"
            "  \"Machine\": \"FAKE-PC\",\r\n"
            "  \"ProgramVersion\": \"0.1\",\r\n"
            "  \"Parameters\": \"/json /list 612 /modules\",\r\n"
            "  \"OwnProcessIDs\": \"100\",\r\n"
            "  \"TqxProcessList\": [\r\n"
            "    {\r\n"
            "      \"ProcessID\": 612,\r\n"
            "      \"ParentID\": 500,\r\n"
            "      \"Filename\": \"C:\\\\Windows\\\\explorer.exe\",\r\n"
            "      \"FileDescription\": \"\",\r\n"
            "      \"FileVersion\": \"\",\r\n"
            "      \"FileCompany\": \"\",\r\n"
            "      \"Filesize\": null,\r\n"
            "      \"MD5\": \"\",\r\n"
            "      \"SHA256\": \"\",\r\n"
            "      \"TqxModuleList\": [\r\n"
            "        {\r\n"
            "          \"ProcessID\": 612,\r\n"
            "          \"ModuleID\": 2,\r\n"
            "          \"ModuleBaseAddr\": \"00400000\",\r\n"
            "          \"ModuleBaseSize\": \"000FF000\",\r\n"
            "          \"Filename\": \"C:\\\\Windows\\\\explorer.exe\"\r\n"
            "        },\r\n"
            "        {\r\n"
            "          \"ProcessID\": 612,\r\n"
            "          \"ModuleID\": 0,\r\n"
            "          \"ModuleBaseAddr\": \"00000000\",\r\n"
            "          \"ModuleBaseSize\": \"00000000\",\r\n"
            "          \"Filename\": \"C:\\\\Windows\\\\system32\\\\shell32.dll\"\r\n"
            "        }\r\n"
            "      ]\r\n"
            "    }\r\n"
            "  ]\r\n"
            "}\r\n");
  // A process without modules keeps its (empty) list; the size is a number.
  const std::string& own = Run("kvtProc.exe /list 700 /json /modules");
  EXPECT_NE(own.find("      \"Filesize\": 3,\r\n"), std::string::npos) << own;
  EXPECT_NE(own.find("      \"TqxModuleList\": []\r\n"), std::string::npos) << own;
  EXPECT_EQ(Run("kvtProc.exe /license /json"), "");
}

// A value a process chose, as each form writes it: the text shows every
// control character as a picture (and "?" where the ANSI page has none), the
// CSV form quotes a line break, the JSON form escapes what RFC 8259 requires,
// and the XML form keeps its "?" for what XML cannot hold.
TEST(OutputFormsEscapes, EachFormByItsOwnRule) {
  struct TCase {
    const char* Value;
    const char* Console;
    const char* Ansi;
    const char* Csv;
    const char* Json;
    const char* Xml;
  };
  const TCase cases[] = {
      {"\x1b[31mred", "\xE2\x90\x9B[31mred", "?[31mred", "\x1b[31mred", "\"\\u001B[31mred\"",
       "?[31mred"},
      {"a\r\nFAKE", "a\xE2\x90\x8D\xE2\x90\x8A" "FAKE", "a??FAKE", "\"a\r\nFAKE\"",
       "\"a\\u000D\\u000AFAKE\"", "a&#13;&#10;FAKE"},
      {"a\tb", "a\xE2\x90\x89" "b", "a?b", "a\tb", "\"a\\u0009b\"", "a&#09;b"},
      {"x\x7Fy", "x\xE2\x90\xA1y", "x?y", "x\x7Fy", "\"x\x7Fy\"", "x\x7Fy"},
      {"x\xC2\x85y", "x\xEF\xBF\xBDy", "x?y", "x\xC2\x85y", "\"x\xC2\x85y\"", "x\xC2\x85y"},
      {"plain text", "plain text", "plain text", "plain text", "\"plain text\"", "plain text"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Value);
    FakeOs os;
    os.StdOutIsConsole = true;
    TConsoleOutput console(os);
    console.Line(c.Value);
    console.Flush();
    EXPECT_EQ(os.Console, std::string(c.Console) + "\r\n");
    os.StdOutIsConsole = false;
    TConsoleOutput redirected(os);
    redirected.Line(c.Value);
    redirected.Flush();
    EXPECT_EQ(os.StdOut, std::string(c.Ansi) + "\r\n");

    EXPECT_EQ(CsvField(c.Value), c.Csv);
    // The JSON form renders the document the XML form writes.
    TXmlDocument document;
    const TXmlElement element = document.CreateElement("Root");
    element.SetAttribute("V", c.Value);
    EXPECT_EQ(JsonString(element.Attributes().at(0).Value), c.Json);
    const std::string xml = document.SaveToText();
    const size_t start = xml.find("V=\"") + 3;
    EXPECT_EQ(xml.substr(start, xml.find('"', start) - start), c.Xml);
  }
}

}  // namespace
}  // namespace kvt
