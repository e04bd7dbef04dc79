// One entry of the directory list: the row's object, behind its item data.
#pragma once

#include <cstdint>
#include <string>

enum class DSItemType : int {
    File = 2,
    UserDir = 3,
    SystemDir = 4,
};

struct DSItemInfo {
    int nImage = 0;
    DSItemType nType = DSItemType::File;
    std::string strRelatedPath; // the holding folder, "/" ... "/", relative to the server dir
    std::string strFileName;
    std::string strExtName;
    std::string strAuthor;
    uint64_t ullFileLength = 0;

    std::string RemotePath() const { return strRelatedPath + strFileName; }
    bool IsFile() const { return nType == DSItemType::File; }
};
