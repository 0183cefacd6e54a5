#pragma once
// Turning the forms in which the platform names an executable or library
// ("\??\C:\...", "\SystemRoot\System32\...", "%SystemRoot%\...", bare names,
// host command lines) into an ordinary drive path.
#include <string>
#include <unordered_map>

#include "files/location_table.h"

namespace kvt {

class Os;

// Attributes are reported for Path and they are not those of a directory.
bool FileExists(Os& os, const std::string& path);

// Path unchanged when it names an existing file; else the existing file it
// stands for, preferring the Windows drive; else the cleanest text derived from it.
std::string NormalisePath(Os& os, const TLocationTable& table, const std::string& path);

// Normalised names by reported name for the whole run: the processes and
// modules of one file share one normalisation and the existence checks it
// makes, however many there are.
class TCompleteNames {
 public:
  const std::string& Of(Os& os, const TLocationTable& table, const std::string& filename);

 private:
  // By the exact name: the result keeps the reported text where the file exists.
  std::unordered_map<std::string, std::string> byFilename_;
};

// The CompleteFilename of process and module items: Filename normalised
// (through Names) on first use and kept in Cache; an empty result is taken
// again next time.
const std::string& CachedCompleteFilename(std::string& cache, TCompleteNames& names, Os& os,
                                          const TLocationTable& table,
                                          const std::string& filename);

}  // namespace kvt
