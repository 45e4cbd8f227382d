#include "services/file_utils.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

#include "services/text_utils.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// One level. Another process creating the same folder at the same moment is no failure.
bool MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && IsFolder(path);
}

// A real directory, not a link to one, and not hidden.
bool IsSubfolder(const std::string& path, const std::string& name) {
    if (name.empty() || name[0] == '.')
        return false;
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HasExtension(const std::string& name, const std::string& ext) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    return name.compare(dot + 1, std::string::npos, ext) == 0;
}

std::string NormalisedFolder(const std::string& folder) {
    const std::string withSeparator = folder + "/";
    std::string normalised;
    normalised.reserve(withSeparator.size());
    for (size_t i = 0; i < withSeparator.size(); ++i) {
        normalised += withSeparator[i];
        if (withSeparator[i] == '/' && i + 1 < withSeparator.size() && withSeparator[i + 1] == '/')
            ++i;
    }
    return normalised;
}

void ListInto(const std::string& folder, const std::string& ext, std::vector<std::string>& files) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + name;
        if (IsSubfolder(path, name)) {
            // The subfolder's text goes through the same normalisation as the top folder's.
            ListInto(NormalisedFolder(path + "/"), ext, files);
        } else if (ext == "*" || HasExtension(name, ext)) {
            files.push_back(path);
        }
    }
    ::closedir(dir);
}

}  // namespace

bool IsFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool CreateFolderChain(const std::string& filePath) {
    std::string path = filePath;
    for (char& ch : path) {
        if (ch == '\\')
            ch = '/';
    }
    const std::vector<std::string> pieces = SplitText(path, "/");
    if (pieces.size() < 2)
        return false;

    std::string accumulated;
    bool result = false;
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        accumulated += pieces[i];
        // An empty first piece is the root of an absolute path.
        const std::string level = accumulated.empty() ? std::string("/") : accumulated;
        result = IsFolder(level) || MakeFolder(level);
        accumulated += '/';
    }
    return result;
}

std::vector<std::string> ListFilesByExt(const std::string& folder, const std::string& ext) {
    std::vector<std::string> files;
    ListInto(NormalisedFolder(folder), ext, files);
    return files;
}
