// SPDX-License-Identifier: Apache-2.0
// The component interface, obtained by the name "IDocShelf".
// Strings are narrow strings in the system code page; server paths are relative to the
// server directory given to DSInit, with backslashes read as slashes.
#pragma once

#include <cstdint>

#include "MXModuleItf.h"

class IDocShelfItf : public IMXModuleItf {
public:
    virtual int32_t SetParentWnd(HWND hWnd) = 0;
    virtual int32_t Init() = 0;
    virtual int32_t RefreshRoot() = 0;
    virtual void DSInit(const char* pszHost, int32_t nPort, const char* pszServerDir) = 0;
    virtual void SetLocalDirectory(const char* pszPath) = 0;
    virtual int32_t SetUserAuth(const char* pszUser, const char* pszPassword) = 0;
    virtual void SetRights(uint32_t dwRights) = 0;
    virtual void ClearServerSpace() = 0;
    virtual int32_t ClearLocalDSSpace() = 0;
    virtual void SetSizeLimits(uint64_t ullMaxUploadSize, uint64_t ullTotalSpace) = 0;
    virtual void EnableAutoDownload() = 0;
    virtual void OnBroadcastMessage(const char* pszText) = 0;
    virtual void SetAuthorName(const char* pszName) = 0;
    virtual void SetUserRole(uint16_t wRole) = 0;
    virtual void EnsureDirectory(const char* pszPath) = 0;
    virtual void ListDirectoryContent(const char* pszPath, int32_t nValue, int32_t nUserData) = 0;
    virtual void UploadFile(const char* pszLocalPath, const char* pszServerPath,
                            int32_t nModuleData, int32_t nUserData) = 0;
    virtual void DownloadFile(const char* pszLocalPath, const char* pszServerPath,
                              int32_t nModuleData, int32_t nUserData) = 0;
    virtual void CheckServer() = 0;
    virtual void RunUploadCommand() = 0;
    virtual void RunRefreshCommand() = 0;
    virtual void ClearTransferList() = 0;
    virtual int32_t GetActiveTransferCount() = 0;
};

// Rights bits for SetRights.
enum : uint32_t {
    DS_RIGHT_DOWNLOAD = 0x1,
    DS_RIGHT_UPLOAD = 0x2,
    DS_RIGHT_LIST = 0x4,
    DS_RIGHT_DELETE = 0x8,
};
