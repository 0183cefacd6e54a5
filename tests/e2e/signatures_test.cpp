// /verify under Wine: the test child signed at build time with a certificate
// of the tests' own, the child unsigned, and the signed child altered by one
// byte after signing.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace kvt_e2e {
namespace {

const std::string kSigner = "kvtProc Test Signer";

// The row of process Pid in a /verify table: its status and signer columns,
// the padding of the signer column taken off.
struct TVerifyRow {
  std::string Status;
  std::string Signer;
};

bool FindRow(const std::string& out, DWORD pid, TVerifyRow& row) {
  std::string id = std::to_string(pid);
  id.insert(0, id.size() < 4 ? 4 - id.size() : 0, ' ');
  const size_t at = out.find("\r\n" + id + "  ");
  if (at == std::string::npos) return false;
  const std::string line = out.substr(at + 2, out.find("\r\n", at + 2) - at - 2);
  // "<$PID:4>  <$FILENAME:25>  <$STATUS:25>  <$SIGNER:25>  <$PATH:*>"
  const auto column = [&line](size_t start, size_t width) {
    std::string text = line.substr(start, width);
    return text.erase(text.find_last_not_of(' ') + 1);
  };
  row.Status = column(33, 25);
  row.Signer = column(60, 25);
  return true;
}

class Signatures : public ::testing::Test {
 protected:
  TChildProcess signed_{"kvt_signed_child.exe"};
  TChildProcess unsigned_;
  TChildProcess altered_{"kvt_altered_child.exe"};
};

TEST_F(Signatures, VerifyTellsSignedUnsignedAndAlteredChildrenApart) {
  const TRunResult run = RunKvtProc("/verify kvt_*_child.exe");
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  TVerifyRow row;
  ASSERT_TRUE(FindRow(run.Out, signed_.Pid(), row)) << run.Out;
  EXPECT_EQ(row.Status, "Signed");
  EXPECT_EQ(row.Signer, kSigner);
  ASSERT_TRUE(FindRow(run.Out, unsigned_.Pid(), row)) << run.Out;
  EXPECT_EQ(row.Status, "Unsigned");
  EXPECT_EQ(row.Signer, "");
  ASSERT_TRUE(FindRow(run.Out, altered_.Pid(), row)) << run.Out;
  EXPECT_NE(row.Status, "Signed");
  std::printf("the altered child under this Wine: \"%s\", signer \"%s\"\n", row.Status.c_str(),
              row.Signer.c_str());
}

TEST_F(Signatures, UnsignedLeavesTheSignedChildOut) {
  const TRunResult run = RunKvtProc("/verify kvt_*_child.exe /unsigned");
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  TVerifyRow row;
  EXPECT_FALSE(FindRow(run.Out, signed_.Pid(), row)) << run.Out;
  EXPECT_TRUE(FindRow(run.Out, unsigned_.Pid(), row)) << run.Out;
}

TEST_F(Signatures, CsvVerifyEndsTheRowWithSignatureAndSigner) {
  const TRunResult run = RunKvtProc("/csv /verify " + std::to_string(signed_.Pid()));
  ASSERT_EQ(run.ExitCode, 0u) << run.Err;
  const std::string end = ",Signed," + kSigner + "\r\n";
  ASSERT_GT(run.Out.size(), end.size());
  EXPECT_EQ(run.Out.substr(run.Out.size() - end.size()), end) << run.Out;
}

}  // namespace
}  // namespace kvt_e2e
