#include "processes/process_details.h"

#include "support/format.h"

namespace kvt {
namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kSecondsPerDay = 86400;
// Days from 1601-01-01, where file times begin, to 1970-01-01.
constexpr int64_t kDaysFrom1601To1970 = 134774;

struct TCivilTime {
  int64_t Year;
  unsigned Month, Day, Hour, Minute, Second;
};

// The proleptic Gregorian date and time of a file time.
TCivilTime CivilTime(uint64_t fileTime) {
  const uint64_t seconds = fileTime / kTicksPerSecond;
  const uint64_t secondOfDay = seconds % kSecondsPerDay;
  // Days since 1970-01-01 to a civil date (H. Hinnant's algorithm).
  const int64_t z = static_cast<int64_t>(seconds / kSecondsPerDay) - kDaysFrom1601To1970 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
  return {year,
          month,
          day,
          static_cast<unsigned>(secondOfDay / 3600),
          static_cast<unsigned>(secondOfDay / 60 % 60),
          static_cast<unsigned>(secondOfDay % 60)};
}

std::string CivilText(uint64_t fileTime, const char* format) {
  if (fileTime == 0) return std::string();
  const TCivilTime t = CivilTime(fileTime);
  return Format(format, static_cast<int>(t.Year), t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

}  // namespace

std::string LocalTimeText(uint64_t localFileTime) {
  return CivilText(localFileTime, "%04d-%02u-%02u %02u:%02u:%02u");
}

std::string ClockText(uint64_t localFileTime) {
  const TCivilTime t = CivilTime(localFileTime);
  return Format("%02u:%02u:%02u.%03u", t.Hour, t.Minute, t.Second,
                static_cast<unsigned>(localFileTime / 10000 % 1000));
}

std::string UtcIsoText(uint64_t fileTime) {
  return CivilText(fileTime, "%04d-%02u-%02uT%02u:%02u:%02uZ");
}

std::string CpuTimeText(uint64_t time) {
  const uint64_t milliseconds = time / 10000;
  const uint64_t seconds = milliseconds / 1000;
  return std::to_string(seconds / 3600) +
         Format(":%02u:%02u.%03u", static_cast<unsigned>(seconds / 60 % 60),
                static_cast<unsigned>(seconds % 60), static_cast<unsigned>(milliseconds % 1000));
}

std::string CpuSecondsText(uint64_t time) {
  const uint64_t milliseconds = time / 10000;
  return std::to_string(milliseconds / 1000) +
         Format(".%03u", static_cast<unsigned>(milliseconds % 1000));
}

std::string KilobytesText(uint64_t bytes) {
  std::string digits = std::to_string(bytes / 1024);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits + " K";
}

std::string JoinedServices(const std::vector<std::string>& services, const char* separator) {
  std::string joined;
  for (const std::string& service : services) {
    if (!joined.empty()) joined += separator;
    joined += service;
  }
  return joined;
}

}  // namespace kvt
