// The WebDAV manager: owns the server settings, turns directory requests into work items for
// the directory work thread and transfers into CoreLib tasks, and handles the results of
// kind 4 on the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "DirThread.h"
#include "PathCodec.h"
#include "ThreadSink.h"

class IDataFactory;
class IDataRecord;
class ITask;
class ITaskMgr;

class CWebDavMgr {
public:
    CWebDavMgr();
    ~CWebDavMgr();
    CWebDavMgr(const CWebDavMgr&) = delete;
    CWebDavMgr& operator=(const CWebDavMgr&) = delete;

    void Init(const char* pszHost, int32_t nPort, const char* pszServerDir);
    int32_t SetUserAuth(const char* pszUser, const char* pszPassword);
    ITask* UploadFile(const char* pszServerPath, const char* pszLocalPath, int32_t bStartNow,
                      int32_t nAddRefFlag);
    ITask* DownloadFile(const char* pszServerPath, const char* pszLocalPath, int32_t bStartNow,
                        int32_t nAddRefFlag);
    void StartTask(ITask* pTask);
    void MoveFile(const char* pszFrom, const char* pszTo, uint32_t dwUserData);
    void DeleteFile(const char* pszPath, uint32_t dwUserData);
    void ListDirectory(const char* pszPath, uint32_t dwUserData, uint32_t dwDepth,
                       const char* pszUserDataName);
    void MakeDirectory(const char* pszPath, uint32_t dwUserData);
    void MakeServerDirectory(const char* pszPath);
    void DeleteDirectory(const char* pszPath, uint32_t dwUserData);
    void ClearServerSpace();
    void CheckServer(uint32_t bAutoRefresh);
    int32_t IsServerAvailable() const { return m_bServerAvailable.load(); }
    void SetServerAvailable(int32_t bAvailable);
    void OnNotify(IDataRecord* pData);
    uint32_t Shutdown();

    // Settings, written by Init and SetUserAuth before any work runs.
    const std::string& GetHost() const { return m_Host; }
    int32_t GetPort() const { return m_nPort; }
    const std::string& GetServerDir() const { return m_ServerDir; }
    const std::string& GetUserName() const { return m_UserName; }
    const std::string& GetPassword() const { return m_Password; }

    std::string MakeServerPath(std::string_view path) const {
        return ::MakeServerPath(m_ServerDir, path);
    }
    std::string ToRelativePath(std::string_view path) const {
        return ::ToRelativePath(m_ServerDir, path);
    }

    // For tests: the directory work thread.
    CWDWorkThread& GetWorkThread() { return m_Thread; }

private:
    IDataRecord* CreateDataRecord();
    ITask* CreateTransfer(uint32_t dwMethod, const char* pszServerPath, const char* pszLocalPath,
                          int32_t bStartNow, int32_t nAddRefFlag, const int lines[4]);
    void OnListDone(IDataRecord* pData);
    void OnDeleteDone(IDataRecord* pData);
    void OnMakeDirDone(IDataRecord* pData);
    void OnFileDownloadDone(IDataRecord* pData);
    void OnFileUploadDone(IDataRecord* pData);
    void RelistParent(IDataRecord* pData);

    std::string m_Host;
    int32_t m_nPort = 0;
    std::string m_ServerDir;
    std::string m_UserName;
    std::string m_Password;
    ITaskMgr* m_pTaskMgr = nullptr;
    IDataFactory* m_pDataFactory = nullptr;
    CThreadSink m_Sink;
    CWDWorkThread m_Thread;
    std::atomic<int32_t> m_bServerAvailable{0};
};

// The singleton, created on first call.
CWebDavMgr* GetWebDavMgr();
