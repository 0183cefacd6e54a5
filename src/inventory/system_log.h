#pragma once
// The record and record-collection bases of every inventory (processes,
// modules): bitness, verdict, file name and the record's forms.
#include <cstdint>
#include <memory>
#include <string>

#include "inventory/collection.h"
#include "inventory/file_digest.h"
#include "inventory/file_signature.h"
#include "inventory/inventory_context.h"
#include "inventory/xml_document.h"
#include "matching/match_text.h"
#include "support/stream.h"
#include "support/string_list.h"

namespace kvt {

enum TSystemLogLegitStatus : uint8_t { llsUnknown, llsGood, llsOpen, llsBad };
enum TSystemLogTargetOS : uint8_t { winBit32, winBit64 };

const char* TargetOSText(TSystemLogTargetOS os);  // "32 bit" / "64 bit"

// A 16-byte interface identifier.
struct TGuid {
  uint32_t D1;
  uint16_t D2, D3;
  uint8_t D4[8];
  bool operator==(const TGuid& other) const;
};
constexpr uint32_t kENoInterface = 0x80004002u;
extern const TGuid IID_IUnknown;

class TInterfacedCollection : public TCollection {
 public:
  using TCollection::TCollection;
  // 0 and the object when it supports Iid, else E_NOINTERFACE.
  virtual uint32_t QueryInterface(const TGuid& iid, void** object);
};

class TSystemLogCollection;

class TSystemLogItem : public TCollectionItem {
 public:
  TSystemLogItem(TCollection& collection, const char* classTag);
  const char* ClassName() const override { return ClassTag.c_str(); }

  TSystemLogLegitStatus Legit = llsUnknown;
  TSystemLogTargetOS TargetOS = winBit32;
  std::string Filename;
  const std::string ClassTag;

  // The file's size: queried anew on every read while no digests are stored,
  // 0 for a file not on a ready volume.
  int64_t Filesize();
  int64_t StoredFilesize() const { return filesize_; }
  void SetFilesize(int64_t size) { filesize_ = size; }
  // The digests of the file CompleteFilename names, read through the run's
  // cache on first use: of empty input for a file not on a ready volume,
  // kDigestFailure in both once reading it failed.
  const TFileDigests& Digests();
  // The digest in upper case ("N/A" once computing it failed).
  std::string MD5();
  std::string SHA256();
  const std::string& StoredMD5() const { return digests_.MD5; }
  // Each stores the digest as given, read back in upper case; the file is
  // then not read for the other.
  void SetMD5(const std::string& digest);
  void SetSHA256(const std::string& digest);
  // The signature of the file CompleteFilename names, verified once per run
  // and file; n/a for a file not on a ready volume.
  TFileSignature Signature();

  virtual bool IsHarmless() const { return Legit == llsGood; }
  virtual bool IsActive() const { return true; }
  virtual std::string LASSH() const;
  virtual std::string CompleteFilename() { return Filename; }
  virtual std::string LocationPath() const { return kUndefinedLocation; }
  virtual std::string MakroLocation() const { return MakroLocationPath() + kUndefinedLocation; }
  virtual std::string MakroLocationPath() const { return kUndefinedLocation; }
  virtual std::string InfoLocation() const { return MakroLocation(); }
  virtual void AddSnapshotFields(TStringList&) {}
  virtual void AddSectionLines(TStringList&) {}
  virtual void AddLogLines(TStringList&) {}
  virtual void AddListEntry(TStringList&) {}
  // Whether Pattern matches, under Method and case ignored, any of the texts
  // that name the record: its file names and locations first, its digest last.
  virtual bool Matches(const std::string& pattern, TCompareMethod method);

  // Snapshots and export. A record passes the filter unless SkipHarmless is
  // set and it is harmless, or OnlyActive is set and it is not active.
  bool PassesFilter(bool skipHarmless, bool onlyActive) const;
  void FilteredSnapshotFields(TStringList& list, bool skipHarmless, bool onlyActive);
  void FilteredSectionLines(TStringList& list, bool skipHarmless, bool onlyActive);
  void FilteredLogLines(TStringList& list, bool skipHarmless, bool onlyActive);
  void FilteredListEntry(TStringList& list, bool skipHarmless, bool onlyActive);
  // The record's own element below Parent, or none when the filter drops it.
  virtual TXmlElement SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive);
  virtual bool LoadFromXml(TXmlElement) { return true; }
  virtual void SaveToStream(TStream&, bool) {}

  TSystemLogCollection& Owner() const;

  static constexpr const char* kUndefinedLocation = "<undefined>";
  static constexpr const char* kEmptyInputDigest = "D41D8CD98F00B204E9800998ECF8427E";
  static constexpr const char* kEmptyInputSHA256 =
      "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
  static constexpr const char* kDigestFailure = kvt::kDigestFailure;

 protected:
  // Takes Source's digests as they stand, also when none are read yet.
  void AssignDigests(const TSystemLogItem& source);

 private:
  TFileDigests digests_;
  bool digestsKnown_ = false;
  int64_t filesize_ = 0;
};

class TSystemLogCollection : public TInterfacedCollection {
 public:
  TSystemLogCollection(TInventoryContext& context, TItemFactory itemClass, const char* classTag);

  TSystemLogItem& Add();
  TSystemLogItem& Items(int index) const {
    return static_cast<TSystemLogItem&>(TCollection::Items(index));
  }

  virtual std::string LogListHeader() const { return "Log"; }
  virtual void Reset() { Clear(); }
  virtual void LoadFromLogLines(const TStringList&) {}

  // Snapshots and export: one pass over the records in index order each.
  // A snapshot line per record, also for a record the filter drops (an empty
  // line then), so line I always belongs to record I.
  virtual void AddSnapshotLines(TStringList& list, bool skipHarmless, bool onlyActive);
  // "[I]" per record, followed by the section lines of a record that passes.
  virtual void AddSections(TStringList& list, bool skipHarmless, bool onlyActive);
  virtual void AddLogLines(TStringList& list, bool skipHarmless, bool onlyActive);
  virtual void AddListEntries(TStringList& list, bool skipHarmless, bool onlyActive);
  // A record that fails leaves what it wrote and an error comment line.
  virtual void SaveToStream(TStream& stream, bool flag);
  virtual TXmlElement SaveToXml(TXmlDocument& document);
  virtual TXmlElement AddFromXml(TXmlDocument& document);
  virtual TXmlElement LoadFromXml(TXmlDocument& document);
  // Built on first read and kept unchanged for the collection's life.
  const TStringList& SnapShot();
  std::unique_ptr<TStringList> BuildSnapShot();
  // The root element of every document the inventories write.
  static constexpr const char* kRootElement = "Vantora";
  // "Vantora/" + ClassTag, created with the root when absent.
  TXmlElement XmlClassElement(TXmlDocument& document);

  TInventoryContext& Context() const { return context_; }

  TSystemLogTargetOS TargetOS = winBit32;
  bool LimitToBitSpecific = false;
  TStringList OldSnapShot;
  const std::string ClassTag;

 private:
  TInventoryContext& context_;
  std::unique_ptr<TStringList> snapShot_;
};

}  // namespace kvt
