#include "baseline/baseline_file.h"

#include <memory>
#include <streambuf>

#include "baseline/document_snapshot.h"
#include "baseline/json_snapshot.h"
#include "inventory/xml_document.h"
#include "os/os.h"
#include "os/scoped_handle.h"
#include "support/format.h"

namespace kvt {
namespace {

// Bytes per read: the JSON reader takes the file through this buffer, so
// that a large document never stands whole in memory.
constexpr uint32_t kReadChunk = 64u << 10;

// The file as a stream, read through the system a chunk at a time; it ends
// where the file ends, where a read fails, or past the largest baseline.
class TFileStreamBuffer : public std::streambuf {
 public:
  TFileStreamBuffer(Os& os, OsHandle file) : os_(os), file_(file), buffer_(new char[kReadChunk]) {}
  bool ReadFailed() const { return readFailed_; }
  bool TooLarge() const { return total_ > kMaxBaselineBytes; }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    uint32_t read = 0;
    if (readFailed_ || TooLarge()) return traits_type::eof();
    if (!os_.ReadFile(file_, buffer_.get(), kReadChunk, &read)) {
      readFailed_ = true;
      return traits_type::eof();
    }
    total_ += read;
    if (read == 0 || TooLarge()) return traits_type::eof();
    setg(buffer_.get(), buffer_.get(), buffer_.get() + read);
    return traits_type::to_int_type(*gptr());
  }

 private:
  Os& os_;
  OsHandle file_;
  std::unique_ptr<char[]> buffer_;
  uint64_t total_ = 0;
  bool readFailed_ = false;
};

// The first character that is neither blank nor part of a UTF-8 byte-order mark.
int FirstSignificant(std::istream& in) {
  for (int c = in.peek(); c != std::char_traits<char>::eof(); c = in.peek()) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != 0xEF && c != 0xBB && c != 0xBF)
      return c;
    in.get();
  }
  return std::char_traits<char>::eof();
}

EBaselineError NotADocument(const std::string& name, const std::string& why) {
  return EBaselineError(Format("The baseline %s is no document of this program: %s.", name.c_str(),
                               why.c_str()));
}

}  // namespace

TSnapshot BaselineFromStream(std::istream& in, const std::string& name) {
  TSnapshot snapshot;
  std::string fault;
  const int first = FirstSignificant(in);
  snapshot.FromXml = first == '<';
  if (first == '{' || first == '[') {
    if (!SnapshotOfJson(in, snapshot, fault)) throw NotADocument(name, fault);
    return snapshot;
  }
  if (!snapshot.FromXml) throw NotADocument(name, "it is neither XML nor JSON");
  // The XML reader takes the document whole: at most the largest baseline.
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TXmlDocument document;
  try {
    document.LoadFromBuffer(text.data(), text.size());
  } catch (const EXmlError& error) {
    throw NotADocument(name, error.what());
  }
  if (!SnapshotOfDocument(document, snapshot, fault)) throw NotADocument(name, fault);
  return snapshot;
}

TSnapshot LoadBaseline(Os& os, const std::string& path) {
  const OsHandle file = os.CreateFileW(path.c_str(), kGenericRead, kFileShareRead | kFileShareWrite,
                                       kOpenExisting, kFileAttributeNormal | kFileFlagSequentialScan);
  if (file == kInvalidHandleValue)
    throw EBaselineError(Format("Cannot open the baseline %s (error %u).", path.c_str(),
                                static_cast<unsigned>(os.GetLastError())));
  const TScopedHandle closer(os, file);
  uint32_t high = 0;
  const uint32_t low = os.GetFileSize(file, &high);
  const uint64_t size = uint64_t{high} << 32 | low;
  const auto tooLarge = [&] {
    return EBaselineError(Format("The baseline %s is over 256 MiB; nothing was compared.", path.c_str()));
  };
  if (size > kMaxBaselineBytes) throw tooLarge();
  TFileStreamBuffer buffer(os, file);
  std::istream in(&buffer);
  TSnapshot snapshot;
  try {
    snapshot = BaselineFromStream(in, path);
  } catch (const EBaselineError&) {
    // A read that failed or a file that grew explains the break better.
    if (!buffer.ReadFailed() && !buffer.TooLarge()) throw;
  }
  if (buffer.TooLarge()) throw tooLarge();
  if (buffer.ReadFailed())
    throw EBaselineError(Format("Cannot read the baseline %s (error %u).", path.c_str(),
                                static_cast<unsigned>(os.GetLastError())));
  return snapshot;
}

}  // namespace kvt
