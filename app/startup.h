#pragma once
// Start-up: single instance, version check, update hand-off or normal start.

#include <string>

inline constexpr char kProgramVersion[] = "3.0.0.0";
inline constexpr char kMainWindowClassName[] = "TfrmZORMain";

// Runs the whole program; the exit status is always 0.
int RunZorvia(int argc, char** argv);

// True when the service's version text is greater than kProgramVersion (byte-wise strcmp).
bool NeedsUpdate(const std::string& serviceVersion);
