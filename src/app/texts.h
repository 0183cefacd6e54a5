#pragma once
// The program's fixed texts: banner, usage, terms of use and the column templates.
namespace kvt {

extern const char* const kProgramVersion;
extern const char* const kBannerLines[4];
extern const char* const kUsageHead[3];
extern const char* const kUsageTail[3];
extern const char* const kFindUsage;
extern const char* const kLicenseLines[10];

extern const char* const kProcessTemplate;
extern const char* const kSignatureTemplate;
extern const char* const kModuleTemplate;
extern const char* const kHandleTemplate;

// The line after a process that a termination leaves running: the program
// that handed this run on and waits for it, and this program itself.
extern const char* const kSparedWaitingLine;
extern const char* const kSparedItselfLine;

// A process that refused this program the rights to read a fact (Windows 6.0
// and later): the line in the text tables, and the forms' line on standard
// error with the process id (%d).
extern const char* const kModulesDeniedLine;
extern const char* const kHandleNamesDeniedLine;
extern const char* const kModulesDeniedNote;
extern const char* const kHandleNamesDeniedNote;
// The same for the details, whose refusals are told on every version: a
// fact's value in /details, and the forms' line.
extern const char* const kDetailsDeniedNote;

// /net: on standard error where the system names no owners of endpoints;
// the title of the endpoints of no listed process, and the line of a run
// that keeps none.
extern const char* const kEndpointOwnersUnknownLine;
extern const char* const kUnownedEndpointsTitle;
extern const char* const kNoEndpointsLine;

// /top: the title of a frame, its total line (the busy share, %.1f, and the
// count of processes, %d), and the line of a system it cannot sample.
extern const char* const kTopTitle;
extern const char* const kTopTotalLine;
extern const char* const kTopUnreadableLine;
// /watch: its first line, and the line of a system it cannot read, or of an
// XML document it could not end.
extern const char* const kWatchingLine;
extern const char* const kWatchUnreadableLine;
extern const char* const kWatchXmlUnboundedLine;
// A command that runs over time given with another (%s: its switch).
extern const char* const kRunsAloneLine;

}  // namespace kvt
