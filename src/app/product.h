// Who we are: name, version, and the maker's lines shown in the information box and About.
#pragma once

#include "runtime/application.h"

#ifndef ORVENNA_WEB_ADDRESS
#define ORVENNA_WEB_ADDRESS "https://orvenna.example.org/"
#endif
#if !defined(ORVENNA_VERSION_MAJOR) || !defined(ORVENNA_VERSION_MINOR) || !defined(ORVENNA_VERSION_PATCH)
#error "the build defines ORVENNA_VERSION_MAJOR, _MINOR and _PATCH from the project's version"
#endif

namespace product {

inline constexpr const char16_t* kTitle = u"Orvenna";
// The version is the project's, handed over by the build.
inline constexpr int kMajor = ORVENNA_VERSION_MAJOR;
inline constexpr int kMinor = ORVENNA_VERSION_MINOR;
inline constexpr int kRevision = ORVENNA_VERSION_PATCH;

// The maker's credit line and web page (set ORVENNA_WEB_ADDRESS when building to change it).
inline constexpr const char* kCreditLine = "Orvenna, the picture viewer and converter, by the Orvenna developers";
inline constexpr const char* kWebAddress = ORVENNA_WEB_ADDRESS;
inline constexpr const char* kLegalNotice = "Free software, GPL v3 or later. No warranty.";

// What the runtime is told at start: the name and version its application object reports.
inline rt::ProgramInfo Info() { return {kTitle, kMajor, kMinor, kRevision, "orvenna"}; }

}  // namespace product
