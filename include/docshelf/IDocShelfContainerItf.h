// SPDX-License-Identifier: Apache-2.0
/**
 * @file IDocShelfContainerItf.h
 * @brief The host's callback interface, asked for by the name "IDocShelfContainerItf".
 *
 * The rules for every callback (who answers the name, texts, threads) are told with the
 * class, IDocShelfContainerItf.
 */
#pragma once

#include <cstdint>

/**
 * @brief The host's callbacks.
 *
 * The host implements IDocShelfContainerItf and its own IMXItfMgr, whose QueryItf answers
 * "IDocShelfContainerItf" with the container converted to `IDocShelfContainerItf*` and then
 * to `void*` (see IMXItfMgr::QueryItf); the component asks for it before every callback.
 *
 * Texts are zero-terminated narrow strings in the system code page, owned by the component
 * and valid only during the call: copy what you keep.
 *
 * Threads: the callbacks of the user-interface thread come from the host's event loop, and
 * only after IMXCCItfMgr::InitComp (their results travel through the panel's view); nothing
 * arrives while the host's thread is busy. OnDirectoryEntry and OnServerState come on the
 * directory work thread, which waits for them: do not block there, and call nothing of the
 * component but IDocShelfPanelItf::GetLastListResult and
 * IDocShelfTransportItf::GetLastTransportFailure; hand the event to the user-interface
 * thread (e.g. `QMetaObject::invokeMethod(obj, lambda, Qt::QueuedConnection)`). No callback
 * comes before the component's manager is the module's (IMXCCItfMgr::QueryItf("IDocShelf")
 * or InitComp), nor after DestroyComp until InitComp is given again.
 *
 * Owned by the host, never deleted by the component; keep it valid until the process ends
 * (the host guide's "Shutdown").
 */
class IDocShelfContainerItf {
public:
    /**
     * @brief Slot 0, the host's: the component never calls it.
     * @return 0 unless the host overrides it.
     */
    virtual int32_t HostReserved0() { return 0; }
    /**
     * @brief Slot 1, the host's: the component never calls it.
     * @return 0 unless the host overrides it.
     */
    virtual int32_t HostReserved1() { return 0; }
    /**
     * @brief Slot 2, the host's: the component never calls it.
     * @return 0 unless the host overrides it.
     */
    virtual int32_t HostReserved2() { return 0; }
    /**
     * @brief Slot 3, the host's: the component never calls it.
     * @return 0 unless the host overrides it.
     */
    virtual int32_t HostReserved3() { return 0; }
    /**
     * @brief Slot 4, the host's: the component never calls it.
     * @return 0 unless the host overrides it.
     */
    virtual int32_t HostReserved4() { return 0; }
    /**
     * @brief Slot 5, the host's: the component never calls it.
     * @return 0 unless the host overrides it.
     */
    virtual int32_t HostReserved5() { return 0; }

    /**
     * @brief A text for the meeting.
     *
     * Deliver it unchanged (the bytes, not a re-encoded copy) to every other participant's
     * component with IDocShelfItf::OnBroadcastMessage, in the order sent; handing it back to
     * this component too is harmless (one more listing). User-interface thread, once the
     * panel's lists exist. It comes when:
     * - the panel's own upload succeeded: "<author> uploaded file <name>" in the panel's
     *   language, or "CHAT_FILTER_FILE_UPLOADED" for "mtkey.txt";
     * - the panel's delete request ran, whatever the server answered: "", or
     *   "CHAT_FILTER_FILE_DELETED" for "mtkey.txt";
     * - IDocShelfItf::ClearServerSpace ran: "".
     *
     * The host's own IDocShelfItf::UploadFile sends none.
     * @param pszText the text; "" is a text too.
     */
    virtual void BroadcastMessage(const char* pszText) = 0;
    /**
     * @brief Whether the panel shows anything in "Presenter/".
     *
     * After each listing of "Presenter/" by the panel that was read (DS_LIST_OK); not after
     * one that failed, nor after a listing of the host's. User-interface thread.
     * @param bHasVisualableFile 1 when that listing reported an entry the panel shows (a file
     *        or a folder), 0 when it reported none.
     */
    virtual void NotifyPresenterFiles(int32_t bHasVisualableFile) = 0;
    /**
     * @brief The chat filter file arrived, or this participant's panel deleted it.
     *
     * Each time a download of a file named "mtkey.txt" (any letter case) succeeded: the
     * meeting's announcement, a listing that showed the file, the panel's own upload of it, or
     * a DownloadFile of the host's to a file of that name. User-interface thread.
     * @param pszLocalPath the save directory followed by the file's name (even when the
     *        host's download wrote elsewhere); "" when this participant's panel deleted the
     *        file (its delete request ran, whatever the server answered). A participant that
     *        receives the deletion gets no such call.
     */
    virtual void SetChatFilterFile(const char* pszLocalPath) = 0;
    /**
     * @brief A host's IDocShelfItf::UploadFile ended.
     *
     * User-interface thread. Not for uploads with nModuleData 1 nor for the panel's own. The
     * panel does not list its folder again: call IDocShelfItf::RunRefreshCommand to show the
     * file there.
     * @param pszLocalPath the local path as the host gave it.
     * @param nModuleData the host's value, unchanged.
     * @param nUserData the host's value, unchanged.
     * @param nResult a DSTransferResult.
     */
    virtual void OnFileUploaded(const char* pszLocalPath, int32_t nModuleData, int32_t nUserData,
                                int32_t nResult) = 0;
    /**
     * @brief A host's IDocShelfItf::DownloadFile ended.
     *
     * User-interface thread. Not for downloads with nModuleData 1 nor for the panel's own
     * (its Download, automatic downloads, the chat filter file).
     * @param pszLocalPath the local path as the host gave it.
     * @param nModuleData the host's value, unchanged.
     * @param nUserData the host's value, unchanged.
     * @param nResult a DSTransferResult.
     */
    virtual void OnFileDownloaded(const char* pszLocalPath, int32_t nModuleData, int32_t nUserData,
                                  int32_t nResult) = 0;

    /**
     * @brief One entry of a host's listing (IDocShelfItf::ListDirectoryContent), or its end.
     *
     * Directory work thread. Each entry comes in its own call; then one call with a null name
     * ends the listing, and in that call IDocShelfPanelItf::GetLastListResult says what the
     * listing came to (a DSListResult). A listing that failed has only the end call.
     * @param pszFolder the folder as the host gave it, backslashes turned into slashes.
     * @param nReserved 0.
     * @param nUserData the host's value of that listing, unchanged.
     * @param pszName the entry's bare name; null in the end call.
     * @param ullLength the file's length in bytes; 0 for a folder, when the server gives none
     *        or gives one that cannot be read, and in the end call.
     * @param bIsFolder 1 for a folder, 0 for a file and in the end call.
     */
    virtual void OnDirectoryEntry(const char* pszFolder, int32_t nReserved, int32_t nUserData,
                                  const char* pszName, uint64_t ullLength, int32_t bIsFolder) = 0;
    /**
     * @brief What a server check came to.
     *
     * Directory work thread. The check sends one OPTIONS request of the server directory and
     * waits for its answer no longer than the connect timeout (10 s) and 5 s.
     *
     * 1: the server answered that request with any HTTP status: 200, but also 401 for wrong
     * credentials (or for a Basic challenge refused by SetRefuseBasicInClear), 403, 404, 500,
     * or the 400 a TLS port sends back to a plain HTTP request. Over HTTPS its certificate
     * passed first. So 1 says that something at that address and port answers HTTP, not that
     * the credentials, the folder or the transport settings are right. It also clears
     * GetLastTransportFailure, even of a Basic challenge refused during this very check.
     *
     * 0: no answer: the name did not resolve, the connection was refused or timed out, the
     * server closed it without a word (a TLS port may do so to plain HTTP), the TLS handshake
     * failed, or the certificate was refused. For the last two
     * IDocShelfTransportItf::GetLastTransportFailure, read in this call, gives the reason.
     * While the latest check said 0, listings end without a call, and the folder requests of
     * EnsureDirectory, ClearServerSpace and the panel's Delete are not sent.
     *
     * To learn whether the credentials work, list a folder that exists after a 1 (for
     * example "Presenter/", which the panel makes): DS_LIST_REFUSED in its end call means the
     * server refused, and the log's error line gives the status (401 for credentials); with
     * Basic refused in clear, GetLastTransportFailure read there gives
     * DS_TRANSPORT_BASIC_REFUSED. A transfer with wrong credentials ends with
     * DS_RESULT_SERVER_ERROR. Plain HTTP to a TLS port gives 0, or 1 and then listings that
     * end with DS_LIST_REFUSED, with no transport failure recorded.
     *
     * A check comes after IDocShelfItf::DSInit, IDocShelfItf::CheckServer,
     * IDocShelfItf::RunRefreshCommand and the panel's Refresh folder; while the server is
     * unavailable the panel checks again after 1, 2, 4, then every 8 minutes; and the panel
     * checks at once (at most every 2 s) after one of its listings got no answer and after a
     * transfer ended with DS_RESULT_REQUEST_FAILED.
     * @param bAvailable 1 or 0, as above.
     */
    virtual void OnServerState(int32_t bAvailable) = 0;

protected:
    /** @brief Not deleted through this interface: the container is the host's. */
    ~IDocShelfContainerItf() = default;
};
