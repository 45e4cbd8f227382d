#pragma once
// Start-up: single instance, version check, update hand-off or normal start.

#include <string>

inline constexpr char kProgramVersion[] = "3.0.0.0";
inline constexpr char kMainWindowClassName[] = "TfrmZORMain";

inline constexpr char kUpdaterProgramName[] = "liveUpdate.exe";
inline constexpr char kUpdaterArgument[] = "Tembrak";

// Runs the whole program; the exit status is always 0.
int RunZorvia(int argc, char** argv);

// True when the service's version text is greater than kProgramVersion (byte-wise strcmp).
bool NeedsUpdate(const std::string& serviceVersion);

// The update command line as it is written down: the program's folder with its trailing "/",
// then "liveUpdate.exe Tembrak", unquoted. The updater itself is started as a program path and
// one argument (UpdaterProgramPath, kUpdaterArgument), so spaces in the folder never split it.
std::string BuildUpdateCommand(const std::string& programFolder);
std::string UpdaterProgramPath(const std::string& programFolder);

// The folder holding the per-user lock: $XDG_RUNTIME_DIR, or /tmp/zorvia-<uid> when that is
// unset or not a folder.
std::string SingleInstanceLockFolder();

// Takes the per-user lock named after the main window's class name, held until the process
// ends (or until ReleaseSingleInstanceLock). Returns false only when another holder has it; when
// the lock file cannot be made at all the program runs rather than refusing to start.
bool TakeSingleInstanceLock(const std::string& folder);
void ReleaseSingleInstanceLock();
