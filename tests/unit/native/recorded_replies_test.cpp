// Replies a Windows system gave tests/replies/reply_recorder.cpp, read by the
// program's readers and checked against what the recorder knew of itself
// through the documented interface. FakeOs builds its replies from the same
// layouts the readers use, so only replies from outside can show an offset
// that is wrong in both.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "native/handle_replies.h"
#include "native/process_information.h"
#include "native/process_parameters.h"
#include "native/token_facts.h"
#include "os/fake/fake_os.h"
#include "support/utf8.h"
#include "test_files.h"

namespace kvt {
namespace {

using TBytes = std::vector<uint8_t>;

// One recording: the replies of the recorder of PointerSize bytes and its facts.
class TRecording {
 public:
  explicit TRecording(uint32_t pointerSize)
      : folder_(std::string(KVT_RECORDED_REPLIES) + "/" + std::to_string(8 * pointerSize) + "/") {
    std::ifstream facts(folder_ + "facts.txt");
    for (std::string line; std::getline(facts, line);) {
      const size_t blank = line.find(' ');
      facts_.emplace(line.substr(0, blank),
                     blank == std::string::npos ? "" : line.substr(blank + 1));
    }
  }

  TBytes Reply(const std::string& name) const {
    const std::string bytes = ReadWholeFile(folder_ + name + ".bin");
    return TBytes(bytes.begin(), bytes.end());
  }
  std::string Text(const std::string& key) const {
    const auto found = facts_.find(key);
    return found == facts_.end() ? std::string() : found->second;
  }
  // A number, decimal or 0x-prefixed; a fact missing reads as an impossible value.
  uint64_t Number(const std::string& key) const {
    const std::string text = Text(key);
    return text.empty() ? ~uint64_t{0} : std::stoull(text, nullptr, 0);
  }
  std::vector<std::string> All(const std::string& key) const {
    std::vector<std::string> texts;
    const auto range = facts_.equal_range(key);
    for (auto at = range.first; at != range.second; ++at) texts.push_back(at->second);
    return texts;
  }

 private:
  std::string folder_;
  std::multimap<std::string, std::string> facts_;
};

class RecordedRepliesTest : public testing::TestWithParam<uint32_t> {
 protected:
  uint32_t Width() const { return GetParam(); }
  const TRecording Recorded{GetParam()};
};

// Process id, parent and threads of every entry, as toolhelp listed them.
using TListed = std::tuple<uint64_t, uint64_t, uint64_t>;

TEST_P(RecordedRepliesTest, ProcessInformationAgreesWithToolhelpAndTheRecordersOwnFacts) {
  ASSERT_EQ(Recorded.Number("pointer_size"), Width());
  const TBytes reply = Recorded.Reply("process_information");
  const auto entries = ProcessInformationFromReply(reply.data(), reply.size(), Width());
  std::vector<TListed> read, listed;
  for (const TProcessInformationEntry& entry : entries)
    read.emplace_back(entry.ProcessId, entry.ParentProcessId, entry.Threads);
  for (const std::string& process : Recorded.All("process")) {
    TListed values;
    std::istringstream(process) >> std::get<0>(values) >> std::get<1>(values) >>
        std::get<2>(values);
    listed.push_back(values);
  }
  std::sort(read.begin(), read.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(read, listed);

  const auto own = std::find_if(entries.begin(), entries.end(), [this](const auto& entry) {
    return entry.ProcessId == Recorded.Number("pid");
  });
  ASSERT_NE(own, entries.end());
  EXPECT_EQ(own->SessionId, Recorded.Number("session"));
  EXPECT_EQ(own->CreateTime, Recorded.Number("create_time"));
  EXPECT_GE(own->WorkingSet, Recorded.Number("working_set_before"));
  EXPECT_LE(own->WorkingSet, Recorded.Number("working_set_after"));
  EXPECT_GE(own->PrivateBytes, Recorded.Number("private_bytes_before"));
  EXPECT_LE(own->PrivateBytes, Recorded.Number("private_bytes_after"));
}

// The recorder's own entries of a handle table, by handle value.
std::map<uint64_t, THandleTableEntry> OwnEntries(const TRecording& recorded, uint32_t infoClass,
                                                 uint32_t pointerSize) {
  const TBytes reply =
      recorded.Reply(infoClass == kSystemHandleInformation ? "handle_table_16" : "handle_table_64");
  const THandleTableReply table(HandleTableLayout(infoClass, pointerSize), reply.data(),
                                reply.size());
  std::map<uint64_t, THandleTableEntry> own;
  for (size_t i = 0; i < table.Count(); ++i) {
    const THandleTableEntry entry = table.Entry(i);
    if (entry.ProcessId == recorded.Number("pid")) own.emplace(entry.Handle, entry);
  }
  return own;
}

TEST_P(RecordedRepliesTest, BothHandleTablesShowTheRecordersHandlesAlike) {
  const auto extended = OwnEntries(Recorded, kSystemExtendedHandleInformation, Width());
  const auto old = OwnEntries(Recorded, kSystemHandleInformation, Width());
  ASSERT_FALSE(extended.empty());
  ASSERT_EQ(old.size(), extended.size());
  for (const auto& entry : extended) {
    const auto same = old.find(entry.first);
    ASSERT_NE(same, old.end()) << entry.first;
    EXPECT_EQ(same->second.ObjectType, entry.second.ObjectType);
    EXPECT_EQ(same->second.Flags, entry.second.Flags);
    EXPECT_EQ(same->second.GrantedAccess, entry.second.GrantedAccess);
  }
  std::map<std::string, THandleTableEntry> named;
  for (const std::string handle : {"event", "other_event", "file"}) {
    SCOPED_TRACE(handle);
    const auto found = extended.find(Recorded.Number(handle + "_handle"));
    ASSERT_NE(found, extended.end());
    EXPECT_EQ(found->second.GrantedAccess, Recorded.Number(handle + "_access"));
    EXPECT_EQ(found->second.Flags, Recorded.Number(handle + "_attributes"));
    named[handle] = found->second;
  }
  EXPECT_EQ(named["event"].ObjectType, named["other_event"].ObjectType);
  EXPECT_NE(named["event"].ObjectType, named["file"].ObjectType);
}

TEST_P(RecordedRepliesTest, ObjectRepliesNameTheRecordersEventAndFile) {
  const TBytes name = Recorded.Reply("event_name");
  const std::string eventName = Utf16ToUtf8(ObjectNameFromReply(name.data(), name.size(), Width()));
  const std::string suffix = "\\" + Recorded.Text("event_name");
  ASSERT_GT(eventName.size(), suffix.size());
  EXPECT_EQ(eventName.substr(eventName.size() - suffix.size()), suffix) << eventName;
  const TBytes eventType = Recorded.Reply("event_type");
  EXPECT_EQ(TypeNameFromReply(eventType.data(), eventType.size(), Width()), u"Event");
  const TBytes fileType = Recorded.Reply("file_type");
  EXPECT_EQ(TypeNameFromReply(fileType.data(), fileType.size(), Width()), u"File");
  const TBytes fileName = Recorded.Reply("file_name");
  EXPECT_EQ(FileNameFromReply(fileName.data(), fileName.size()), Recorded.Text("file_name"));
}

// The recorded system states each type's number in the list as Windows 7
// and 8 count the types: from 2, in the list's order.
TEST_P(RecordedRepliesTest, TypeListNamesEveryTypeWithItsNumber) {
  const TBytes list = Recorded.Reply("object_types");
  const auto types = ObjectTypesFromReply(list.data(), list.size(), Width());
  std::set<std::u16string> names;
  for (const TListedObjectType& type : types) {
    EXPECT_EQ(type.TypeIndex, type.Position + 2) << Utf16ToUtf8(type.Name);
    names.insert(type.Name);
  }
  EXPECT_EQ(names.size(), types.size());
  for (const char16_t* name : {u"Event", u"File", u"Process"})
    EXPECT_EQ(names.count(name), 1u) << Utf16ToUtf8(name);
}

TEST_P(RecordedRepliesTest, TokenRepliesGiveTheSidsTheSystemSpells) {
  for (const std::string reply : {"token_user", "token_integrity"}) {
    SCOPED_TRACE(reply);
    const TBytes bytes = Recorded.Reply(reply);
    const TSid sid = SidFromTokenReply(bytes.data(), bytes.size(),
                                       Recorded.Number(reply + "_reply_address"), Width());
    EXPECT_EQ(SidText(sid), Recorded.Text(reply + "_sid"));
  }
}

// The recorder's own process as the kernel and its memory answered: its
// replies by class, its blocks at the addresses they were read at.
class TRecordedProcessOs : public FakeOs {
 public:
  explicit TRecordedProcessOs(const TRecording& recorded) {
    replies_ = {{kProcessBasicInformation, recorded.Reply("basic_information")},
                {kProcessWow64Information, recorded.Reply("wow64_information")}};
    for (const char* block : {"environment_block", "parameters", "command_line_text"})
      memory_.emplace(recorded.Number(std::string(block) + "_address"), recorded.Reply(block));
  }

  uint32_t NtQueryInformationProcess(OsHandle, uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                     uint32_t* returned) override {
    const TBytes& reply = replies_[infoClass];
    *returned = static_cast<uint32_t>(reply.size());
    if (reply.empty()) return kStatusNotImplemented;
    if (size < reply.size()) return kStatusInfoLengthMismatch;
    std::copy(reply.begin(), reply.end(), buffer);
    return kStatusSuccess;
  }

  bool ReadProcessMemory(OsHandle, uint64_t address, uint8_t* buffer, uint32_t size,
                         uint32_t* bytesRead) override {
    *bytesRead = 0;
    for (const auto& block : memory_) {
      if (address < block.first || address - block.first > block.second.size() ||
          block.second.size() - (address - block.first) < size)
        continue;
      std::copy_n(block.second.begin() + static_cast<ptrdiff_t>(address - block.first), size,
                  buffer);
      *bytesRead = size;
      return true;
    }
    return false;
  }

 private:
  std::map<uint32_t, TBytes> replies_;
  std::map<uint64_t, TBytes> memory_;
};

TEST_P(RecordedRepliesTest, CommandLineThroughTheBlocks) {
  TRecordedProcessOs os(Recorded);
  TCommandLineReach reach;
  reach.PointerSize = Width();
  const TCommandLineText line = ReadProcessCommandLine(os, 1, reach);
  EXPECT_EQ(line.Text, Recorded.Text("command_line"));
  EXPECT_FALSE(line.Denied);
}

INSTANTIATE_TEST_SUITE_P(Widths, RecordedRepliesTest, testing::Values(4u, 8u),
                         [](const testing::TestParamInfo<uint32_t>& width) {
                           return std::to_string(8 * width.param) + "Bit";
                         });

}  // namespace
}  // namespace kvt
