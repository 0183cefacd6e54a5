#include "os/fake/fake_os.h"

#include <algorithm>
#include <cstring>

#include "os/fake/fake_bytes.h"
#include "os/layouts/handle_table.h"
#include "os/layouts/object_replies.h"

namespace kvt {
namespace {

constexpr uint32_t kStatusInvalidInfoClass = 0xC0000003u;
constexpr uint32_t kStatusInvalidHandle = 0xC0000008u;
constexpr uint32_t kStatusBufferOverflow = 0x80000005u;

void PutText(uint8_t* at, const std::u16string& text, size_t characters) {
  for (size_t i = 0; i < characters; ++i) PutU16(at + 2 * i, text[i]);
}

}  // namespace

const TFakeHandle* FakeOs::ObjectOf(OsHandle handle) {
  if (const THandle* copy = Find(handle, THandle::Object)) return &copy->Copied;
  const ptrdiff_t own = TableEntryOf(CurrentProcessId, handle);
  return own < 0 ? nullptr : &HandleTable[static_cast<size_t>(own)];
}

bool FakeOs::Stall() {
  if (std::this_thread::get_id() == callerThread_) {
    ++StallsOnCallerThread;
    return false;
  }
  std::unique_lock<std::mutex> lock(workerMutex_);
  ++stalledWorkers_;
  workerChanged_.notify_all();
  workerChanged_.wait(lock, [this] { return released_; });
  return true;
}

std::vector<const TFakeHandle*> FakeOs::ReportedTable() const {
  std::vector<const TFakeHandle*> table;
  for (const auto& entry : HandleTable) table.push_back(&entry);
  for (const auto& handle : handles_)
    if (handle.second.Type == THandle::Object) table.push_back(&handle.second.Copied);
  return table;
}

uint32_t FakeOs::NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                          uint32_t* needed) {
  Record("NtQuerySystemInformation");
  if (!NtQuerySystemInformationBound) return kStatusNotImplemented;
  if (infoClass == kSystemProcessInformation) return ProcessInformationReply(buffer, size, needed);
  if (infoClass != kSystemHandleInformation && infoClass != kSystemExtendedHandleInformation)
    return kStatusInvalidInfoClass;
  if (OnHandleTableRead) OnHandleTableRead();
  if (HandleTableFailure != 0) return HandleTableFailure;
  const THandleTableLayout& layout = HandleTableLayout(infoClass, ProgramPointerSize);
  const uint32_t header = layout.HeaderSize;
  const uint32_t entrySize = layout.EntrySize;
  const std::vector<const TFakeHandle*> table = ReportedTable();
  const auto count = static_cast<uint32_t>(table.size());
  const uint64_t required =
      header + uint64_t{count} * entrySize + handleTableGrowth_ + HandleTableExtraBytes;
  handleTableGrowth_ += HandleTableGrowthPerRead;
  *needed = HandleTableSizeUnreported ? 0 : static_cast<uint32_t>(std::min<uint64_t>(required, 0xFFFFFFFFu));
  if (size < required) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, header + size_t{count} * entrySize);
  PutField(buffer, {0, layout.CountWidth}, count);
  // The old table keeps only the low bits of the id, the handle value, the
  // type and the flags: each field is cut to its width.
  for (uint32_t i = 0; i < count; ++i) {
    const TFakeHandle& entry = *table[i];
    uint8_t* at = buffer + header + size_t{i} * entrySize;
    PutField(at, layout.Object, entry.Object);
    PutField(at, layout.ProcessId, entry.ProcessId);
    PutField(at, layout.Handle, entry.Handle);
    PutField(at, layout.GrantedAccess, entry.GrantedAccess);
    PutField(at, layout.ObjectType, entry.ObjectType);
    PutField(at, layout.Flags, entry.Flags);
  }
  return kStatusSuccess;
}

uint32_t FakeOs::NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer,
                               uint32_t size, uint32_t* needed) {
  Record(infoClass == kObjectTypeInformation    ? "NtQueryObject/type"
         : infoClass == kObjectTypesInformation ? "NtQueryObject/types"
                                                : "NtQueryObject");
  if (!NtQueryObjectBound) return kStatusNotImplemented;
  if (infoClass == kObjectTypesInformation) return AllObjectTypesReply(buffer, size, needed);
  if (infoClass != kObjectNameInformation && infoClass != kObjectTypeInformation)
    return kStatusInvalidInfoClass;
  const TFakeHandle* object = ObjectOf(handle);
  if (object == nullptr) return kStatusInvalidHandle;
  // Only the name waits on the object; its type is known at once.
  const bool typeWanted = infoClass == kObjectTypeInformation;
  if (object->Stalls && !typeWanted) {
    Stall();
    return kStatusUnsuccessful;
  }
  const auto typeName = ObjectTypeNames.find(object->ObjectType);
  if (typeWanted && typeName == ObjectTypeNames.end()) return kStatusUnsuccessful;
  const std::u16string& text = typeWanted ? typeName->second : object->Name;
  // A counted string; the text follows it, or for a type the rest of its record.
  const TCountedStringLayout& counted = CountedStringLayout(ProgramPointerSize);
  const uint32_t textOffset =
      typeWanted ? ObjectTypeRecordLayout(ProgramPointerSize).Size : counted.Size;
  const uint32_t bytes = static_cast<uint32_t>(text.size() * 2);
  const uint32_t required = textOffset + (bytes == 0 ? 0 : bytes + 2);
  *needed = required;
  if (buffer == nullptr || size < required) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, textOffset);
  PutField(buffer, counted.Length, bytes);
  PutField(buffer, counted.MaximumLength, bytes == 0 ? 0 : bytes + 2);
  // Where the text would be in memory.
  PutField(buffer, counted.Buffer, bytes == 0 ? 0 : 0x00140008u + textOffset);
  if (bytes != 0) {
    PutText(buffer + textOffset, text, text.size());
    PutU16(buffer + textOffset + bytes, 0);
  }
  return kStatusSuccess;
}

uint32_t FakeOs::AllObjectTypesReply(uint8_t* buffer, uint32_t size, uint32_t* needed) {
  if (!ObjectTypesListed) return kStatusUnsuccessful;
  const bool typeIndexStated =
      Version.dwMajorVersion > 6 || (Version.dwMajorVersion == 6 && Version.dwMinorVersion >= 3);
  // A 32-bit count, then per type its record (a counted string and the type's
  // figures, TypeIndex among them) and its name, each aligned to a pointer.
  const uint32_t word = ProgramPointerSize;
  const TCountedStringLayout& counted = CountedStringLayout(word);
  const uint32_t record = ObjectTypeRecordLayout(word).Size;
  const uint32_t typeIndexAt = ObjectTypeRecordLayout(word).TypeIndex;
  const auto align = [word](uint32_t offset) { return (offset + word - 1) / word * word; };
  uint32_t required = align(kObjectTypesCountWidth);
  for (const auto& type : ObjectTypeNames)
    required = align(required + record + static_cast<uint32_t>(type.second.size() * 2 + 2));
  *needed = required;
  if (buffer == nullptr || size < required) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, required);
  PutField(buffer, {0, kObjectTypesCountWidth}, ObjectTypeNames.size());
  uint32_t at = align(kObjectTypesCountWidth);
  for (const auto& type : ObjectTypeNames) {
    const auto bytes = static_cast<uint32_t>(type.second.size() * 2);
    PutField(buffer + at, counted.Length, bytes);
    PutField(buffer + at, counted.MaximumLength, bytes + 2);
    PutField(buffer + at, counted.Buffer, 0x00140000u + at + record);
    if (typeIndexStated) buffer[at + typeIndexAt] = static_cast<uint8_t>(type.first);
    PutText(buffer + at + record, type.second, type.second.size());
    at = align(at + record + bytes + 2);
  }
  return kStatusSuccess;
}

uint32_t FakeOs::NtQueryInformationFile(OsHandle file, TIoStatusBlock* ioStatus, uint8_t* buffer,
                                        uint32_t size, uint32_t infoClass) {
  Record("NtQueryInformationFile");
  if (!NtQueryInformationFileBound) return kStatusNotImplemented;
  if (infoClass != kFileNameInformation) return kStatusInvalidInfoClass;
  const TFakeHandle* object = ObjectOf(file);
  if (object == nullptr) return kStatusInvalidHandle;
  if (object->Stalls) {
    Stall();
    return kStatusUnsuccessful;
  }
  if (size < kFileNameText) return kStatusInfoLengthMismatch;
  const uint32_t bytes = static_cast<uint32_t>(object->FileName.size() * 2);
  const uint32_t fit = std::min(bytes, (size - kFileNameText) & ~1u);
  PutField(buffer, kFileNameLength, bytes);
  PutText(buffer + kFileNameText, object->FileName, fit / 2);
  const uint32_t status = fit < bytes ? kStatusBufferOverflow : kStatusSuccess;
  ioStatus->Status = status;
  ioStatus->Information = kFileNameText + fit;
  return status;
}

bool FakeOs::DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                             OsHandle* target, uint32_t, bool, uint32_t) {
  Record("DuplicateHandle");
  *target = 0;
  if (targetProcess != GetCurrentProcess()) return false;
  const TFakeHandle* object = nullptr;
  if (sourceProcess == GetCurrentProcess()) {
    object = ObjectOf(source);
  } else {
    const THandle* process = Find(sourceProcess, THandle::Process);
    if (process == nullptr || (process->Access & kProcessDupHandle) == 0) return false;
    const ptrdiff_t entry = TableEntryOf(process->ProcessId, source);
    if (entry >= 0) object = &HandleTable[static_cast<size_t>(entry)];
  }
  if (object == nullptr || !object->CanDuplicate) return false;
  THandle copy;
  copy.Type = THandle::Object;
  copy.ProcessId = CurrentProcessId;
  copy.Copied = *object;
  copy.Copied.ProcessId = CurrentProcessId;
  const OsHandle value = NewHandle(std::move(copy));
  handles_[value].Copied.Handle = value;
  *target = value;
  return true;
}

}  // namespace kvt
