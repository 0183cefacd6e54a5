#pragma once
// The program's fixed texts: banner, usage, terms of use and the column templates.
namespace kvt {

extern const char* const kBannerLines[4];
extern const char* const kUsageLines[12];
extern const char* const kLicenseLines[10];

extern const char* const kProcessTemplate;
extern const char* const kSignatureTemplate;
extern const char* const kModuleTemplate;
extern const char* const kHandleTemplate;

}  // namespace kvt
