// Prints the digest of each file named after the algorithm (md5, sha256, or
// sha256-portable for the engine without the processor's SHA instructions),
// in the form md5sum and sha256sum use, reading it in the same 1 MiB pieces
// the program hashes files in.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "support/md5.h"
#include "support/sha256.h"

namespace {

// Hashes File with a fresh THash; false on a read error.
template <typename THash>
bool HashFile(std::FILE* file, unsigned char* buffer, size_t chunk, THash hash, std::string& hex) {
  size_t read;
  while ((read = std::fread(buffer, 1, chunk, file)) > 0) hash.Update(buffer, read);
  if (std::ferror(file) != 0) return false;
  hex = kvt::DigestToHex(hash.Final());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string algorithm = argc > 1 ? argv[1] : "";
  if (algorithm != "md5" && algorithm != "sha256" && algorithm != "sha256-portable") {
    std::fprintf(stderr, "usage: %s md5|sha256|sha256-portable file...\n", argv[0]);
    return 2;
  }
  constexpr size_t kChunk = 1u << 20;
  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
  int status = 0;
  for (int i = 2; i < argc; ++i) {
    std::FILE* file = std::fopen(argv[i], "rb");
    if (file == nullptr) {
      std::perror(argv[i]);
      status = 1;
      continue;
    }
    std::string hex;
    bool ok;
    if (algorithm == "md5")
      ok = HashFile(file, buffer.get(), kChunk, kvt::TMD5(), hex);
    else
      ok = HashFile(file, buffer.get(), kChunk,
                    kvt::TSHA256(algorithm == "sha256" ? kvt::TSHA256::TEngine::Instructions
                                                       : kvt::TSHA256::TEngine::Portable),
                    hex);
    std::fclose(file);
    if (!ok) {
      std::fprintf(stderr, "%s: read error\n", argv[i]);
      status = 1;
      continue;
    }
    std::printf("%s  %s\n", hex.c_str(), argv[i]);
  }
  return status;
}
