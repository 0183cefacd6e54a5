// Prints the MD5 digest of each file named on the command line, in the form
// md5sum uses, reading it in the same 1 MiB pieces the program hashes files in.
#include <cstdio>
#include <memory>

#include "support/md5.h"

int main(int argc, char** argv) {
  constexpr size_t kChunk = 1u << 20;
  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::FILE* file = std::fopen(argv[i], "rb");
    if (file == nullptr) {
      std::perror(argv[i]);
      status = 1;
      continue;
    }
    kvt::TMD5 md5;
    size_t read;
    while ((read = std::fread(buffer.get(), 1, kChunk, file)) > 0) md5.Update(buffer.get(), read);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
      std::fprintf(stderr, "%s: read error\n", argv[i]);
      status = 1;
      continue;
    }
    std::printf("%s  %s\n", kvt::DigestToHex(md5.Final()).c_str(), argv[i]);
  }
  return status;
}
