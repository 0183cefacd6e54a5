// /verify and /unsigned: the signature table, and the signature columns of
// the forms.
#include <gtest/gtest.h>

#include "app/dispatcher.h"
#include "expected_texts.h"
#include "fake_processes.h"

namespace kvt {
namespace {

const std::string kBanner = kvt_expected::kBanner;
const std::string kSignaturesHead = std::string("Signatures:\r\n") + kvt_expected::kSignatureHeader;

// services.exe is vouched for by a catalog, explorer.exe signed by itself,
// tool.exe not signed; explorer.exe has a catalog library, an unsigned one
// and one whose signature no longer matches its bytes.
class VerifyCommandTest : public ::testing::Test {
 protected:
  VerifyCommandTest() {
    AddFakeProcess(os, 500, 4, "C:\\Windows\\system32\\services.exe");
    AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
    AddFakeProcess(os, 700, 612, "C:\\Apps\\tool.exe");
    AddFakeProcess(os, 701, 612, "C:\\Windows\\explorer.exe");
    TFakeProcess& explorer = os.Processes[1];
    AddFakeModule(explorer, "C:\\Windows\\explorer.exe", 0x400000, 0xFF000);
    AddFakeModule(explorer, "C:\\Windows\\system32\\shell32.dll", 0x7CA00000, 0x817000);
    AddFakeModule(explorer, "C:\\Apps\\ext.dll", 0x10000000, 0x1000);
    AddFakeModule(explorer, "C:\\Apps\\patched.dll", 0x20000000, 0x1000);
    for (const char* path : {"C:\\Windows\\system32\\services.exe", "C:\\Windows\\explorer.exe",
                             "C:\\Apps\\tool.exe", "C:\\Windows\\system32\\shell32.dll",
                             "C:\\Apps\\ext.dll", "C:\\Apps\\patched.dll"})
      os.File(path).Bytes = std::string("bytes of ") + path;
    for (const char* path : {"C:\\Windows\\system32\\services.exe",
                             "C:\\Windows\\system32\\shell32.dll"}) {
      os.Signature(path).Catalog = "C:\\Windows\\system32\\CatRoot\\nt5.cat";
      os.Signature(path).CommonName = "Example Windows Publisher";
    }
    os.Signature("C:\\Windows\\explorer.exe").Embedded = 0;
    os.Signature("C:\\Windows\\explorer.exe").CommonName = "Example Shell Ltd";
    os.Signature("C:\\Apps\\patched.dll").Embedded = static_cast<int32_t>(0x80096010u);
    os.Signature("C:\\Apps\\patched.dll").CommonName = "Example Plugins";
  }
  const std::string& Run(const std::string& commandLine) {
    os.CommandLine = commandLine;
    os.StdOut.clear();
    EXPECT_EQ(RunProgram(os), 0) << commandLine;
    return os.StdOut;
  }
  // How often the file at Path had its own signature checked.
  size_t Checks(const std::string& path) {
    size_t count = 0;
    for (const TFakeTrustCall& call : os.TrustCalls)
      count += call.UnionChoice == kWtdChoiceFile && call.OpenedFile == path;
    return count;
  }
  FakeOs os;
};

TEST_F(VerifyCommandTest, OneRowPerSelectedProcessWithStatusAndSigner) {
  EXPECT_EQ(
      Run("kvtProc.exe /verify"),
      kBanner + kSignaturesHead +
          " 500  services.exe               Catalog                    Example Windows Publisher  "
          "C:\\Windows\\system32\\\r\n"
          " 612  explorer.exe               Signed                     Example Shell Ltd          "
          "C:\\Windows\\\r\n"
          " 700  tool.exe                   Unsigned                                              "
          "C:\\Apps\\\r\n"
          " 701  explorer.exe               Signed                     Example Shell Ltd          "
          "C:\\Windows\\\r\n");
  EXPECT_EQ(Checks("C:\\WINDOWS\\EXPLORER.EXE"), 1u);  // two processes, one file
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  EXPECT_EQ(os.OpenTrustObjectCount(), 0u);
}

TEST_F(VerifyCommandTest, WithModulesEachProcessRowIsFollowedByItsModulesRows) {
  const std::string out = Run("kvtProc.exe /modules 612 /verify");
  const std::string rows =
      kSignaturesHead +
      " 612  explorer.exe               Signed                     Example Shell Ltd          "
      "C:\\Windows\\\r\n"
      " 612  explorer.exe               Signed                     Example Shell Ltd          "
      "C:\\Windows\\\r\n"
      " 612  shell32.dll                Catalog                    Example Windows Publisher  "
      "C:\\Windows\\system32\\\r\n"
      " 612  ext.dll                    Unsigned                                              "
      "C:\\Apps\\\r\n"
      " 612  patched.dll                Invalid (altered)          Example Plugins            "
      "C:\\Apps\\\r\n";
  // In the fixed order: the signatures before the modules command's block.
  EXPECT_EQ(out.substr(0, kBanner.size() + rows.size() + 10), kBanner + rows + "Process:\r\n");
  EXPECT_EQ(Checks("C:\\WINDOWS\\EXPLORER.EXE"), 1u);  // process and module, one file
}

TEST_F(VerifyCommandTest, UnsignedAloneImpliesVerifyAndKeepsOnlyWhatIsNotSigned) {
  const std::string toolRow =
      " 700  tool.exe                   Unsigned                                              "
      "C:\\Apps\\\r\n";
  EXPECT_EQ(Run("kvtProc.exe /unsigned"), kBanner + kSignaturesHead + toolRow);
  // The modifier holds no position: 612 is parameter 2 once it has left.
  const std::string out = Run("kvtProc.exe /unsigned -MODULES 612");
  EXPECT_EQ(out.substr(0, out.find("Process:")),
            kBanner + kSignaturesHead +
                " 612  ext.dll                    Unsigned                                       "
                "       C:\\Apps\\\r\n"
                " 612  patched.dll                Invalid (altered)          Example Plugins    "
                "        C:\\Apps\\\r\n");
  EXPECT_EQ(Run("kvtProc.exe /verify 700 /unsigned"), kBanner + kSignaturesHead + toolRow);
}

TEST_F(VerifyCommandTest, NothingIsVerifiedUnlessAsked) {
  for (const char* arguments : {"/list", "/csv /list /modules", "/xml /list", "/modules 612"})
    Run(std::string("kvtProc.exe ") + arguments);
  EXPECT_EQ(os.CallCount("WinVerifyTrust"), 0u);
}

TEST_F(VerifyCommandTest, CsvVerifyWritesTheProcessTableWithSignatureColumns) {
  const std::string titles =
      "PID,PPID,Filename,Path,Description,Version,Company,Size,MD5,SHA256,Signature,Signer\r\n";
  const std::string out = Run("kvtProc.exe /csv /verify 612");
  EXPECT_EQ(out.substr(0, titles.size()), titles);
  const std::string end = ",Signed,Example Shell Ltd\r\n";
  EXPECT_EQ(out.substr(out.size() - end.size()), end) << out;

  // /unsigned keeps the rows of either table whose file is not signed.
  const std::string modules = Run("kvtProc.exe /csv /unsigned /modules");
  EXPECT_EQ(modules.substr(modules.find("\r\n\r\n")),
            "\r\n\r\nPID,MID,Filename,Address,Size,Path,Signature,Signer\r\n"
            "612,1,ext.dll,10000000,00001000,C:\\Apps\\ext.dll,Unsigned,\r\n"
            "612,1,patched.dll,20000000,00001000,C:\\Apps\\patched.dll,Invalid (altered),"
            "Example Plugins\r\n");
  EXPECT_EQ(modules.find("\r\n500,"), std::string::npos);
  EXPECT_NE(modules.find("\r\n700,612,tool.exe,"), std::string::npos);
}

TEST_F(VerifyCommandTest, XmlUnsignedKeepsAProcessForItsUnsignedModules) {
  const std::string out = Run("kvtProc.exe /xml /modules /unsigned");
  EXPECT_NE(out.find("<TqxProcessItem ProcessID=\"612\""), std::string::npos) << out;
  EXPECT_NE(out.find("Signature=\"Signed\" Signer=\"Example Shell Ltd\">"), std::string::npos);
  EXPECT_NE(out.find("Filename=\"C:\\Apps\\patched.dll\" Signature=\"Invalid (altered)\" "
                     "Signer=\"Example Plugins\" />"),
            std::string::npos);
  EXPECT_EQ(out.find("shell32.dll"), std::string::npos);
  EXPECT_EQ(out.find("ProcessID=\"500\""), std::string::npos);
}

}  // namespace
}  // namespace kvt
