// SPDX-License-Identifier: Apache-2.0
#include "LocalTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// Empties the directory open as `dirFd`. Working relative to directory descriptors keeps
// paths short however deep the tree is, and a link swapped in for a folder is not followed.
void RemoveEntries(int dirFd) {
    int listFd = dup(dirFd);
    if (listFd < 0) {
        return;
    }
    DIR* dir = fdopendir(listFd);
    if (dir == nullptr) {
        close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(std::move(name));
        }
    }
    closedir(dir);

    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            int subFd =
                openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (subFd >= 0) {
                RemoveEntries(subFd);
                close(subFd);
            }
            unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(dirFd, name.c_str(), 0);
        }
    }
}

} // namespace

bool RemoveLocalTree(const std::string& dir) {
    std::string top = dir;
    while (top.size() > 1 && top.back() == '/') {
        top.pop_back();
    }
    if (top.empty()) {
        return false;
    }
    int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    RemoveEntries(fd);
    close(fd);
    return rmdir(top.c_str()) == 0;
}
