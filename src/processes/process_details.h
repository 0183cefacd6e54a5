#pragma once
// How and by whom a process runs: the facts /details shows and the forms
// write with it. They cost token opens, account look-ups and memory reads,
// so they are read only when asked for, once per run, for the listed
// processes (TqxProcessList::ReadDetails, process_details.cpp).
#include <cstdint>
#include <string>
#include <vector>

#include "native/process_information.h"

namespace kvt {

struct TProcessDetails {
  bool Read = false;
  // Found in the system's process information: the figures below hold.
  bool HasInformation = false;
  TProcessInformationEntry Information;
  std::string CommandLine;
  std::string User;       // DOMAIN\name, or the SID text when unnamed
  std::string Integrity;  // empty before Windows 6.0
  std::vector<std::string> Services;
  // The facts the run's rights could not read, which are said to be denied
  // rather than left to look unknown. The other facts need no rights.
  bool CommandLineDenied = false;
  bool UserDenied = false;
  bool IntegrityDenied = false;  // never before Windows 6.0, which has no levels
  bool AnyDenied() const { return CommandLineDenied || UserDenied || IntegrityDenied; }
};

// The texts of the facts, as /details and the forms give them; each empty
// where the fact is unknown.
std::string LocalTimeText(uint64_t localFileTime);  // YYYY-MM-DD HH:MM:SS
std::string UtcIsoText(uint64_t fileTime);          // YYYY-MM-DDTHH:MM:SSZ
std::string ClockText(uint64_t localFileTime);      // HH:MM:SS.mmm
std::string CpuTimeText(uint64_t time);             // H:MM:SS.mmm
std::string CpuSecondsText(uint64_t time);          // seconds, three decimals
std::string KilobytesText(uint64_t bytes);          // 12,345 K
std::string JoinedServices(const std::vector<std::string>& services, const char* separator);

}  // namespace kvt
