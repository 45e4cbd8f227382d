#pragma once
// Opening a web address in the user's default browser through the desktop.

#include <functional>
#include <string>

// Hands the address, unchanged and as its single argument, to xdg-open started on its own; the
// program never waits for it and never looks at the outcome (no browser, a bad address: nothing
// is reported).
void OpenUrlInBrowser(const std::string& url);

// Tests put a recorder in place of the desktop; an empty function restores xdg-open.
void SetUrlOpenerForTesting(std::function<void(const std::string&)> opener);
