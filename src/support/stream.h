#pragma once
#include <cstddef>
#include <string>

namespace kvt {

// A sink of bytes that records write themselves into. A failing write raises
// an error; what was written before it stays.
class TStream {
 public:
  virtual ~TStream() = default;
  virtual void Write(const void* data, size_t size) = 0;
  void WriteText(const std::string& text) { Write(text.data(), text.size()); }
};

// The stream that keeps its bytes in memory.
class TMemoryStream : public TStream {
 public:
  void Write(const void* data, size_t size) override {
    bytes_.append(static_cast<const char*>(data), size);
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace kvt
