#include "inventory/system_log.h"

#include <cstring>

#include "inventory/file_digest.h"
#include "inventory/file_size.h"
#include "inventory/ready_volumes.h"
#include "support/text.h"

namespace kvt {

const char* TargetOSText(TSystemLogTargetOS os) { return os == winBit64 ? "64 bit" : "32 bit"; }

bool TGuid::operator==(const TGuid& other) const {
  return D1 == other.D1 && D2 == other.D2 && D3 == other.D3 &&
         std::memcmp(D4, other.D4, sizeof D4) == 0;
}

const TGuid IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

uint32_t TInterfacedCollection::QueryInterface(const TGuid& iid, void** object) {
  if (iid == IID_IUnknown) {
    *object = this;
    return 0;
  }
  *object = nullptr;
  return kENoInterface;
}

TSystemLogItem::TSystemLogItem(TCollection& collection, const char* classTag)
    : TCollectionItem(collection), ClassTag(classTag) {}

std::string TSystemLogItem::LASSH() const { return kEmptyInputDigest; }

int64_t TSystemLogItem::Filesize() {
  const std::string name = CompleteFilename();
  if (!digestsKnown_) {
    TInventoryContext& context = Owner().Context();
    filesize_ = VolumeReady(context.ReadyVolumes(), name) ? QueryFileSize(context.Sys, name) : 0;
  }
  return filesize_;
}

const TFileDigests& TSystemLogItem::Digests() {
  if (!digestsKnown_) {
    const std::string name = CompleteFilename();
    TInventoryContext& context = Owner().Context();
    // A drive that did not answer the probe is not touched: a floppy drive
    // without a disk would keep the run waiting.
    digests_ = VolumeReady(context.ReadyVolumes(), name) ? CachedDigestsOfFile(context, name)
                                                        : EmptyInputDigests();
    digestsKnown_ = true;
  }
  return digests_;
}

std::string TSystemLogItem::MD5() { return AsciiUpperCase(Digests().MD5); }
std::string TSystemLogItem::SHA256() { return AsciiUpperCase(Digests().SHA256); }

// A stored digest is one the item was given (from a saved document, say):
// the file is not read for the other one.
void TSystemLogItem::SetMD5(const std::string& digest) {
  digests_.MD5 = digest;
  digestsKnown_ = true;
}

void TSystemLogItem::SetSHA256(const std::string& digest) {
  digests_.SHA256 = digest;
  digestsKnown_ = true;
}

TFileSignature TSystemLogItem::Signature() {
  const std::string name = CompleteFilename();
  TInventoryContext& context = Owner().Context();
  if (!VolumeReady(context.ReadyVolumes(), name)) return TFileSignature();
  return CachedFileSignature(context, name);
}

void TSystemLogItem::AssignDigests(const TSystemLogItem& source) {
  digests_ = source.digests_;
  digestsKnown_ = source.digestsKnown_;
}

bool TSystemLogItem::Matches(const std::string& pattern, TCompareMethod method) {
  // In this order: the digest is computed, and cached, only when none of the
  // cheaper texts matched.
  using TCandidate = std::string (*)(TSystemLogItem&);
  static const TCandidate kCandidates[] = {
      [](TSystemLogItem& record) { return record.CompleteFilename(); },
      [](TSystemLogItem& record) { return record.Filename; },
      [](TSystemLogItem& record) { return record.LocationPath(); },
      [](TSystemLogItem& record) { return record.MakroLocationPath(); },
      [](TSystemLogItem& record) { return record.MD5(); },
      [](TSystemLogItem& record) { return record.LASSH(); },
  };
  const TTextMatcher matcher(Owner().Context().Sys, pattern, method, true);
  for (TCandidate candidate : kCandidates)
    if (matcher.Matches(candidate(*this))) return true;
  return false;
}

TSystemLogCollection& TSystemLogItem::Owner() const {
  return static_cast<TSystemLogCollection&>(Collection());
}

TSystemLogCollection::TSystemLogCollection(TInventoryContext& context, TItemFactory itemClass,
                                           const char* classTag)
    : TInterfacedCollection(std::move(itemClass)), ClassTag(classTag), context_(context) {}

TSystemLogItem& TSystemLogCollection::Add() {
  auto& item = static_cast<TSystemLogItem&>(TCollection::Add());
  item.TargetOS = TargetOS;
  return item;
}

}  // namespace kvt
