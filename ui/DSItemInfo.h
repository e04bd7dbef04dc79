// SPDX-License-Identifier: Apache-2.0
// One entry of the directory list: the row's object, behind its item data.
#pragma once

#include <cstdint>
#include <limits>
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
    uint64_t ullFileLength = 0; // 0 while unknown
    bool bLengthKnown = true;
    uint64_t ullTag = 0; // the file's version on the server, 0 when it gives none

    std::string RemotePath() const { return strRelatedPath + strFileName; }
    bool IsFile() const { return nType == DSItemType::File; }
};

// Sums of lengths stop at the largest value instead of wrapping: a server's 2^64 - 1 must not
// make a full folder look empty.
inline uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max()
                                                        : a + b;
}
