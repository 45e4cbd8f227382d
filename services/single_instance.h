#pragma once
// One running copy per user: a lock file held with flock for the life of the process.

#include <string>

// The folder holding the per-user lock: $XDG_RUNTIME_DIR, or /tmp/zorvia-<uid> when that is
// unset or not a folder.
std::string SingleInstanceLockFolder();

// Takes the per-user lock <folder>/<name>.lock, held until the process ends (or until
// ReleaseSingleInstanceLock). Returns false only when another holder has it; when the lock file
// cannot be made at all the program runs rather than refusing to start.
bool TakeSingleInstanceLock(const std::string& folder, const std::string& name);
void ReleaseSingleInstanceLock();
