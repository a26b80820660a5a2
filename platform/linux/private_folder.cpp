#include "platform/linux/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string UnsafeFolderReason(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    if (info.st_uid != geteuid() && info.st_uid != 0) return "the folder " + folder + " belongs to another user";
    const bool sticky = (info.st_mode & S_ISVTX) != 0;
    // A group of the user's own (a private group) is no other user.
    const bool othersWrite = (info.st_mode & S_IWOTH) || ((info.st_mode & S_IWGRP) && info.st_gid != getegid());
    if (othersWrite && !sticky) return "others may write in the folder " + folder;
    return {};
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace platform
