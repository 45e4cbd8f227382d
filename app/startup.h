#pragma once
// Start-up: single instance, version check, update hand-off or normal start.

#include <string>

inline constexpr char kProgramVersion[] = "3.0.0.0";
// Also the name of the single-instance lock.
inline constexpr char kMainWindowClassName[] = "TfrmZORMain";

inline constexpr char kUpdaterProgramName[] = "liveUpdate.exe";
inline constexpr char kUpdaterArgument[] = "Tembrak";

// Runs the whole program; the exit status is always 0.
int RunZorvia(int argc, char** argv);

// True when the service's version text is greater than kProgramVersion (byte-wise strcmp).
bool NeedsUpdate(const std::string& serviceVersion);

// The updater's program path: the program's folder with its trailing "/", then
// "liveUpdate.exe". It is started with the one argument kUpdaterArgument, so spaces in the folder
// never split it.
std::string UpdaterProgramPath(const std::string& programFolder);
