#pragma once
// Where the picture cache lives. Installed, the program's folder belongs to the system (or holds
// other programs), so the pictures go to the user's cache folder; a copy of the program that
// already has a writable "image" folder beside it (a portable copy, or one set up the old way)
// keeps using that one.

#include <string>

// "<programFolder>/image" when that is an existing folder the user may write into; otherwise
// "<cache>/zorvia/image", where <cache> is xdgCacheHome when it is an absolute path (relative
// or empty values are ignored, as the XDG rules say) and "<home>/.cache" otherwise. Only when
// neither gives an absolute path does the cache fall back to "<programFolder>/image".
// xdgCacheHome may be null (unset).
std::string ChooseImageCacheDir(const std::string& programFolder, const char* xdgCacheHome,
                                const std::string& home);

// The user's home folder: $HOME when it is an absolute path, else the account's entry in the
// user database, else "".
std::string UserHomeFolder();
