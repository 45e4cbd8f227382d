#pragma once
// Folder creation along a file path and recursive listing by extension.
// Paths use "/" as separator; CreateFolderChain also takes "\" as one.

#include <string>
#include <vector>

// Makes sure every folder that would hold the file exists (the last piece is the file name and
// is never created). The result is the outcome of the last level alone. Never throws.
bool CreateFolderChain(const std::string& filePath);

// True when path names a regular file (a link to one counts). Never throws.
bool IsFile(const std::string& path);

// Full paths of every file below folder whose extension is exactly "." + ext (case-sensitive),
// or of every file when ext is "*". Descends only into real, non-link, non-hidden directories.
// A missing or unreadable folder gives an empty list. Never throws.
std::vector<std::string> ListFilesByExt(const std::string& folder, const std::string& ext);
