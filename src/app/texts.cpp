#include "app/texts.h"

namespace kvt {

// The version stands in the banner and on the documents the forms write.
#define KVT_PROGRAM_VERSION "0.1"
const char* const kProgramVersion = KVT_PROGRAM_VERSION;
const char* const kBannerLines[4] = {
    "kvtProc " KVT_PROGRAM_VERSION " - process management command line tool",
    "Copyright (c) 2026 Halvorsk. All rights reserved.",
    "Use /license to show license.",
    "",
};

// The usage text around the lines of the switches (command_table.cpp).
const char* const kUsageHead[3] = {
    "Usage: kvtProc <command> [parameters]",
    "",
    "Command:",
};
const char* const kUsageTail[3] = {
    "",
    "pid or filename: parameter 2, or the first later one that does not start with / or -.",
    "",
};

const char* const kFindUsage =
    "/find needs a pattern: kvtProc /find <pattern> [pid or filename]; nothing was searched.";

const char* const kLicenseLines[10] = {
    "",
    "kvtProc is made by Halvorsk, the makers of KVT HiveManager.",
    "Find Halvorsk on the web at https://www.halvorsk.example/",
    "",
    "",
    " ",
    " ",
    "You may use kvtProc free of charge as long as you are no competitor of Halvorsk and have no commercial interest in its use.",
    "",
    "",
};

const char* const kProcessTemplate =
    "<$PID:4>  <$FILENAME:25>  (<$PPID:4>)  <$DESCRIPTION:20>  <$VERSION:16>  <$COMPANY:22>  "
    "<$PATH:*>";
// The status column holds "Invalid (" with the longest reason and ")".
const char* const kSignatureTemplate =
    "<$PID:4>  <$FILENAME:25>  <$STATUS:25>  <$SIGNER:25>  <$PATH:*>";
const char* const kModuleTemplate =
    "<$MID:4>  <$FILENAME:25>  (<$PID:4>)  <$ADDR:8>  <$SIZE:8>  <$PATH:*>";
const char* const kHandleTemplate =
    "<$OTYPENR:4>: <$OTYPETEXT:20>  <$NAME:32>  (<$PID:4>)  <$HANDLE:8>  <$ACCESS:8>  <$FLAGS:5>";

const char* const kSparedWaitingLine =
    "Not terminated: it handed this run on and waits for its end.";
const char* const kSparedItselfLine = "Not terminated: it is this program.";

const char* const kModulesDeniedLine = "Access denied.";
const char* const kHandleNamesDeniedLine =
    "Access denied: the names of these handles could not be read.";
const char* const kModulesDeniedNote =
    "Access denied: the modules of process %d could not be read.";
const char* const kHandleNamesDeniedNote =
    "Access denied: the handle names of process %d could not be read.";
const char* const kDetailsDeniedNote =
    "Access denied: some details of process %d could not be read.";

const char* const kEndpointOwnersUnknownLine =
    "This Windows does not tell which process owns an endpoint; /net lists none.";
const char* const kUnownedEndpointsTitle = "Endpoints of no listed process:";
const char* const kNoEndpointsLine = "No endpoints.";

const char* const kTopTitle = "Processes by CPU:";
const char* const kTopTotalLine = "Total: %.1f %% of the CPU busy, %d processes";
const char* const kTopUnreadableLine =
    "The system's process information could not be read; /top needs Windows 2000 or later.";
const char* const kWatchingLine = "Watching for processes that start or end; Ctrl+C ends.";
const char* const kWatchUnreadableLine =
    "The system's process information could not be read; /watch needs Windows 2000 or later.";
const char* const kWatchXmlUnboundedLine =
    "/xml writes one document at the end: give /watch a /for; nothing was done.";
const char* const kRunsAloneLine =
    "/%s runs alone: give no other command with it; nothing was done.";

}  // namespace kvt
