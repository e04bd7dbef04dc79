// SPDX-License-Identifier: Apache-2.0
/**
 * @file IDocShelfItf.h
 * @brief The component interface, IDocShelfItf, obtained by the name "IDocShelf", and the
 * rights bits.
 *
 * The conventions every operation follows (threads, strings, server and local paths) are
 * told with the class, IDocShelfItf.
 */
#pragma once

#include <cstdint>

#include "MXModuleItf.h"

/**
 * @brief The component: its server, settings, transfers and the panel's commands.
 *
 * Obtained by the name "IDocShelf" from IMXCCItfMgr::QueryItf, as `IDocShelfItf*` converted to
 * `void*`. One object per process, owned by the component and valid from CreateComp until
 * DestroyComp; never delete it (IMXModuleItf::AddRef and IMXModuleItf::Release only count).
 * The host's callbacks are IDocShelfContainerItf's. The host guide's "Settings and when they
 * take effect" and "Work a host asks for" tell the same in one place.
 *
 * **Threads.** Every operation is for the user-interface thread, the thread of the host's
 * QApplication. Callbacks come on the user-interface thread from the host's event loop, or
 * on the directory work thread (OnDirectoryEntry, OnServerState); each operation below says
 * which it leads to.
 *
 * **Strings.** Every `const char*` argument is a zero-terminated narrow string in the system
 * code page, read during the call and copied: the host may free it when the call returns.
 * Null is taken as "" unless an operation says otherwise.
 *
 * **Server paths** are relative to the server directory given to DSInit: a leading "/" is
 * dropped and the rest appended to it, "" names the server directory itself, and a backslash
 * is read as a slash. The full path is made at the call from the server directory then set,
 * so give DSInit first.
 *
 * **Local paths** are absolute (they begin with "/"). UploadFile and DownloadFile refuse any
 * other at the call. SetLocalDirectory takes a relative one without complaint, but then every
 * download into it is refused, while DSInit, ClearLocalDSSpace and the clean-up of the save
 * directory act on it relative to the process's working directory.
 */
class IDocShelfItf : public IMXModuleItf {
public:
    /**
     * @brief Sets the widget that Init puts the panel's view on; nothing else.
     *
     * IMXCCItfMgr::InitComp calls it with its own argument: a host need not.
     * @param hWnd the host's QWidget as HWND; not owned.
     * @return 0.
     */
    virtual int32_t SetParentWnd(HWND hWnd) = 0;
    /**
     * @brief Creates the panel's view on the widget SetParentWnd set.
     *
     * Once per component life (until DestroyComp): a second call keeps the first view. The
     * view filters the widget's events and receives every result that travels to the
     * user-interface thread. With a null widget, a widget that carries a panel already or a
     * call off the user-interface thread the view stays detached, and those results and their
     * callbacks never arrive. After DestroyComp, callbacks reach the host again only once Init
     * has run. IMXCCItfMgr::InitComp calls it: a host need not.
     * @return 0.
     */
    virtual int32_t Init() = 0;
    /**
     * @brief Queues a new listing of the panel's folder, "Presenter/".
     *
     * Only when the panel's lists exist (InitComp, then DSInit) and with DS_RIGHT_LIST; else
     * nothing. Until the panel has read its folder once, the listing makes the folder (and the
     * server directory and the folder that holds it) when the server answers 404 or 409.
     * Leads to the panel's rows, NotifyPresenterFiles (user-interface thread) when read, and
     * with EnableAutoDownload to automatic downloads. IMXCCItfMgr::InitComp and SetUserRole
     * call it.
     * @return 0.
     */
    virtual int32_t RefreshRoot() = 0;
    /**
     * @brief Sets the server and starts the directory work.
     *
     * In order: a DSInit given before waits for its queued directory work (up to 5 s) and
     * stops it; the host, the port and the server directory are set and the server counts as
     * unavailable; the transfer threads start if they were stopped, and the directory work
     * thread starts; a server check is queued (IDocShelfContainerItf::OnServerState on the
     * directory work thread, see there); with the panel's view (InitComp before) the panel's
     * lists are created in the widget, once, and list "Presenter/" (see RefreshRoot); a file
     * "mtkey.txt" in the save directory, a chat filter file of an earlier meeting, is removed.
     *
     * Give the transport settings (IDocShelfTransportItf), SetLocalDirectory, SetUserAuth and
     * SetRights before it. Given again, it keeps the panel and its rows until the panel's next
     * listing.
     * @param pszHost a host name, an IPv4 address, or an IPv6 address with or without
     *        brackets; every address of a name is tried, in the order the resolver gives.
     *        At most 99 bytes are kept.
     * @param nPort the server's TCP port, 1 to 65535.
     * @param pszServerDir the server directory, an absolute path on the server such as
     *        "/dav/room/"; a "/" is added when it does not end in one, null is "/". At most
     *        258 bytes are kept.
     */
    virtual void DSInit(const char* pszHost, int32_t nPort, const char* pszServerDir) = 0;
    /**
     * @brief Sets the save directory.
     *
     * The panel's downloads, the automatic downloads and the chat filter file go there, and
     * ClearLocalDSSpace removes it. The host creates it; the component only writes into it
     * (downloads, its record `.docshelf-downloads`, temporary names of downloads in progress)
     * and removes only files it downloaded itself and finds unchanged since. "" means none:
     * no automatic downloads, no chat filter file, no clean-up, and the panel's Download says
     * there is no directory. Takes effect at once; also handed to CoreLib's
     * SetWorkDirectory. DestroyComp forgets it.
     * @param pszPath the directory's absolute path (see "Local paths" above); a "/" is
     *        added when missing. Null is refused with an assertion line in the log and
     *        changes nothing.
     */
    virtual void SetLocalDirectory(const char* pszPath) = 0;
    /**
     * @brief Sets the credentials offered to the server's Basic or Digest challenge.
     *
     * Used by every request that starts after the call; a request already running keeps the
     * ones it began with, and kept connections made with others are not used again. Each is
     * offered once per request: a refused password is not sent again. The password never
     * reaches the log. DestroyComp keeps them.
     * @param pszUser the user name; at most 99 bytes are kept.
     * @param pszPassword the password; at most 99 bytes are kept.
     * @return 0.
     */
    virtual int32_t SetUserAuth(const char* pszUser, const char* pszPassword) = 0;
    /**
     * @brief Sets the user's rights.
     *
     * Takes effect at once. Without DS_RIGHT_LIST every listing, the host's and the panel's,
     * is dropped at the call without a callback: give SetRights before DSInit, or follow it
     * with SetUserRole or RefreshRoot. DS_RIGHT_DOWNLOAD, DS_RIGHT_UPLOAD and DS_RIGHT_DELETE
     * enable the panel's buttons and commands (IDocShelfPanelItf::RunDirCommand's too) and
     * nothing of the host's own UploadFile, DownloadFile, EnsureDirectory, ClearServerSpace or
     * RunUploadCommand; automatic downloads and the chat filter file do not need
     * DS_RIGHT_DOWNLOAD. DS_RIGHT_UPLOAD with a role bit (SetUserRole) shows "mtkey.txt" in
     * listings, the host's too. DestroyComp sets 0.
     * @param dwRights DS_RIGHT_* bits; other bits are ignored; 0: none.
     */
    virtual void SetRights(uint32_t dwRights) = 0;
    /**
     * @brief Deletes the server directory given to DSInit, with everything in it.
     *
     * One DELETE, queued on the directory work thread, and only when the latest server check
     * succeeded; else nothing. No callback of its own (CheckServer after it tells that it
     * ran); with the panel's lists, BroadcastMessage("") on the user-interface thread tells
     * the meeting. Later listings in the folder end with DS_LIST_REFUSED until EnsureDirectory
     * makes the folders again: the panel does not make its folder again once it has read it.
     * Not governed by DS_RIGHT_DELETE.
     */
    virtual void ClearServerSpace() = 0;
    /**
     * @brief Removes the save directory with everything in it, itself included.
     *
     * At the call, on the user-interface thread. Symbolic links in it are removed, never
     * followed. The setting stays: downloads into it fail (DS_RESULT_LOCAL_FILE_FAILED) until
     * the host makes the directory again.
     * @return 1 when it was removed, or when there is no save directory; 0 when it could not
     *         be removed (missing, or something in it could not be removed).
     */
    virtual int32_t ClearLocalDSSpace() = 0;
    /**
     * @brief Sets the limits of the panel's uploads.
     *
     * The panel refuses an upload, with a message to the user, when the file is larger than
     * ullMaxUploadSize, when the lengths of its rows and the file's add up to more than
     * ullTotalSpace, and before its file dialog when the rows alone come to more. Its status
     * line shows the space used and free. Both are 0 until set, so the panel then refuses every
     * file that is not empty. The host's own UploadFile is not limited. Takes effect at the
     * panel's next upload and listing; DestroyComp sets both to 0.
     * @param ullMaxUploadSize the largest file, in bytes.
     * @param ullTotalSpace the space of the server folder, in bytes.
     */
    virtual void SetSizeLimits(uint64_t ullMaxUploadSize, uint64_t ullTotalSpace) = 0;
    /**
     * @brief Lets the panel download the new files of "Presenter/" into the save directory by
     * itself.
     *
     * From the panel's next listing on: each file once per version (one cut off by a lost
     * connection is taken up again, where it stopped, by the listing that follows once the
     * server answers; at most five times a file), at most 256 started at
     * once (the rest wait their turn), never over a file the component did not download, never
     * without a save directory. These downloads end without OnFileDownloaded, are not counted by
     * GetActiveTransferCount, are held to IDocShelfAutoDownloadItf's rate and do not need
     * DS_RIGHT_DOWNLOAD. Stays on until DestroyComp.
     */
    virtual void EnableAutoDownload() = 0;
    /**
     * @brief Hands the component a message of the meeting.
     *
     * The host delivers here, in the order sent, what another participant's component sent
     * through IDocShelfContainerItf::BroadcastMessage (its own are harmless). Only a text the
     * component could have sent is taken: at most 1,024 bytes, no control bytes or invisible
     * characters, and "", "CHAT_FILTER_FILE_UPLOADED", "CHAT_FILTER_FILE_DELETED" (any letter
     * case) or an upload notice in the component's English or Chinese text naming a plain file
     * name; anything else is dropped with a log line.
     *
     * With the panel's lists, every message taken lists the panel's folder again (for an
     * upload notice, only the file it names), at once and then at most once a second while
     * more arrive, the last kept. "CHAT_FILTER_FILE_UPLOADED" also fetches
     * "Presenter/mtkey.txt" into the save directory, never over a copy the user wrote, and
     * SetChatFilterFile follows on the user-interface thread. Without the panel only that
     * announcement does anything.
     * @param pszText the message's bytes as sent, unchanged; null is "".
     */
    virtual void OnBroadcastMessage(const char* pszText) = 0;
    /**
     * @brief Sets the uploader's name.
     *
     * Written on every upload, the host's too, as a WebDAV property of the file (the panel's
     * uploader column), and used in the panel's upload notices; read when an upload's body is
     * on the server. Empty until set; DestroyComp forgets it.
     * @param pszName the name.
     */
    virtual void SetAuthorName(const char* pszName) = 0;
    /**
     * @brief Sets the user's role bits, then lists the panel's folder again (RefreshRoot).
     *
     * Bit 4 or bit 8 (mask 0xC): the user may upload "mtkey.txt", the chat filter file, through
     * the panel, and with DS_RIGHT_UPLOAD listings (the panel's and the host's) show it. Other
     * bits are ignored. 0 until set; DestroyComp sets 0.
     * @param wRole the role bits.
     */
    virtual void SetUserRole(uint16_t wRole) = 0;
    /**
     * @brief Makes a server folder and every folder above it.
     *
     * Queued on the directory work thread: a MKCOL of the server directory's parent, of the
     * server directory, then of each level of pszPath from the top. A folder that is there
     * already answers 405 and stays as it is. Each request is sent only when the latest server
     * check succeeded. No callback and no result: items run in order, so CheckServer after it
     * answers once it ran, and a listing tells whether the folder is there. Not governed by
     * rights.
     * @param pszPath the folder's server path ("a/b" makes "a" and "a/b").
     */
    virtual void EnsureDirectory(const char* pszPath) = 0;
    /**
     * @brief Lists a server folder for the host.
     *
     * Queued on the directory work thread behind the work queued before. There, for each
     * entry, OnDirectoryEntry(pszPath, 0, nUserData, name, length, bIsFolder), then once
     * OnDirectoryEntry(pszPath, 0, nUserData, nullptr, 0, 0), in which
     * IDocShelfPanelItf::GetLastListResult gives the DSListResult. A listing that failed
     * reports no entry, only its end call with a result other than DS_LIST_OK. No call at all
     * comes without DS_RIGHT_LIST (dropped at the call), when the latest server check failed
     * (wait for OnServerState(1) before the first listing), or when 10,000 items wait already
     * (dropped with a log line). A listing ends within 60 s.
     *
     * Reported are the folder's direct children with plain names, neither the folder itself
     * nor uploads in progress nor names of the component's own files, and "mtkey.txt" only
     * with DS_RIGHT_UPLOAD and a role bit. A read listing of "Presenter/" runs the clean-up of
     * the save directory once per component life; a listing that holds "mtkey.txt" fetches
     * "Presenter/mtkey.txt" into the save directory when no copy is there. A path with an
     * empty, "." or ".." name in it ends with DS_LIST_REFUSED without a request.
     * @param pszPath the folder's server path; "" or "/" for the server directory. It comes
     *        back in every call as given, backslashes turned into slashes.
     * @param nValue not used; pass 0.
     * @param nUserData the host's value, handed back unchanged in every call of this listing.
     */
    virtual void ListDirectoryContent(const char* pszPath, int32_t nValue, int32_t nUserData) = 0;
    /**
     * @brief Uploads a local file to a server path.
     *
     * Started at once on a transfer thread: five transfers run at once, the rest wait in
     * order. The body goes to a temporary name beside the target, is labelled with the
     * uploader's name (SetAuthorName), its length on the server is checked, and it is then
     * moved over the target, replacing a file there: the target never holds half a file. The
     * end comes as OnFileUploaded(pszLocalPath, nModuleData, nUserData, result) on the
     * user-interface thread, result a DSTransferResult; an end with DS_RESULT_REQUEST_FAILED
     * also makes the panel check the server (OnServerState). IDocShelfTransfersItf gives its
     * task id and cancels it.
     *
     * Refused at the call, with a log line, no transfer and no callback
     * (IDocShelfTransfersItf::GetLastTaskId gives 0): a local path that is not absolute, and
     * any call after DestroyComp until DSInit starts the transfer threads again. Before the
     * first InitComp the transfer starts but does nothing and no callback comes. The server
     * folder must exist (EnsureDirectory), else DS_RESULT_SERVER_ERROR. Rights, size limits
     * and the server check do not apply.
     *
     * The panel does not show it: its transfer list shows only the panel's own transfers,
     * GetActiveTransferCount does not count it (IDocShelfPanelItf::IsBusy does), and the
     * panel's folder list shows the file only after its next listing. To show it, call
     * RunRefreshCommand after OnFileUploaded with DS_RESULT_SUCCESS. The meeting hears nothing
     * either: a host that wants the others to list again sends "" to the room, and handing
     * that message back to this component (OnBroadcastMessage) lists this panel again too.
     * @param pszLocalPath the absolute path of the file to send; handed back as given.
     * @param pszServerPath the target's server path.
     * @param nModuleData the host's value, handed back unchanged; not 1. With 1 the upload is
     *        taken for the panel's own: it ends without OnFileUploaded and, when it succeeds,
     *        its folder is listed again and the meeting is told as for the panel's uploads.
     * @param nUserData the host's value, handed back unchanged.
     */
    virtual void UploadFile(const char* pszLocalPath, const char* pszServerPath,
                            int32_t nModuleData, int32_t nUserData) = 0;
    /**
     * @brief Downloads a server file to a local path.
     *
     * Started at once on a transfer thread, as UploadFile. The body goes to a temporary name
     * beside the target and takes the target's name only when it is complete and exactly what
     * the server promised, and only when the target is still what it was at this call (in the
     * save directory, or the component's own unchanged copy); else DS_RESULT_LOCAL_FILE_FAILED
     * and the file there stays. Two downloads to one path never run at once: the second waits
     * for the first to end. A download cut off by a lost connection keeps its part, hidden
     * beside the target, and the next download of the same server file to the same path
     * continues it (or starts again when the file changed).
     * The end comes as OnFileDownloaded(pszLocalPath, nModuleData, nUserData, result) on the
     * user-interface thread.
     *
     * Refused at the call as UploadFile is. The local folder must exist, else
     * DS_RESULT_LOCAL_FILE_FAILED without a request. A download into the save directory (the
     * save directory followed by a file name) is the component's own download: the clean-up of
     * the next meeting removes it when its server copy is gone or has another size, unless it
     * was changed since. A download whose file is named "mtkey.txt" also brings
     * SetChatFilterFile when it arrives. The panel does not show it (see UploadFile).
     * @param pszLocalPath the absolute path of the file to write; handed back as given.
     * @param pszServerPath the server path of the file to read.
     * @param nModuleData the host's value, handed back unchanged; not 1 (with 1 no callback
     *        comes).
     * @param nUserData the host's value, handed back unchanged.
     */
    virtual void DownloadFile(const char* pszLocalPath, const char* pszServerPath,
                              int32_t nModuleData, int32_t nUserData) = 0;
    /**
     * @brief Queues a server check: an OPTIONS request of the server directory.
     *
     * Its answer is OnServerState on the directory work thread (see there for what 1 and 0
     * mean); when it is 1, the panel lists its folder again. Items of the directory work run
     * one at a time in order, so the answer also says that the work queued before it ran.
     */
    virtual void CheckServer() = 0;
    /**
     * @brief Runs the panel's Upload file command.
     *
     * When the lengths of the panel's rows come to more than the total space, a message;
     * else the file dialog, then the panel's checks in order (the chat filter file needs a
     * role bit; one question for each row of the same name; the file must open; the size
     * limits), each refusal a message box; then an upload of the panel's into "Presenter/"
     * under the file's name, shown in the transfer list and counted by GetActiveTransferCount.
     * When it succeeds the panel lists its folder again and BroadcastMessage announces the
     * file ("CHAT_FILTER_FILE_UPLOADED" for "mtkey.txt"). The dialogs are modal: the call
     * returns once they are closed, and callbacks of the user-interface thread may run
     * meanwhile. Unlike the panel's menu, it does not look at DS_RIGHT_UPLOAD nor at the
     * server check. Nothing without the panel's lists.
     */
    virtual void RunUploadCommand() = 0;
    /**
     * @brief Runs the panel's Refresh folder command: a server check, then a new listing.
     *
     * The server check answers with OnServerState on the directory work thread; when it is 1
     * the panel lists its folder again (which needs DS_RIGHT_LIST; the command itself does not
     * look at it). The way to show a host's own upload in the panel, and to make good the
     * meeting messages lost while the host was disconnected. Nothing without the panel's
     * lists.
     */
    virtual void RunRefreshCommand() = 0;
    /**
     * @brief Removes every row of the panel's transfer list, rows of running transfers
     * included.
     *
     * The transfers go on and end as they would; their rows do not come back.
     */
    virtual void ClearTransferList() = 0;
    /**
     * @brief The panel's transfers that a person started and that wait or run.
     *
     * Counted are the panel's Download, Download to and Upload file (from its menus, drops,
     * RunUploadCommand and IDocShelfPanelItf::RunDirCommand). Not counted: automatic
     * downloads, the chat filter file, and the host's UploadFile and DownloadFile
     * (IDocShelfPanelItf::IsBusy counts everything).
     * @return the number; 0 after DestroyComp.
     */
    virtual int32_t GetActiveTransferCount() = 0;
};

/** @brief Rights bits for IDocShelfItf::SetRights. */
enum : uint32_t {
    /** @brief The panel's Download and Download to: its buttons and commands. */
    DS_RIGHT_DOWNLOAD = 0x1,
    /**
     * @brief The panel's Upload file and drops (while the server check succeeds), and, with a
     * role bit, "mtkey.txt" in listings.
     */
    DS_RIGHT_UPLOAD = 0x2,
    /** @brief Every listing, the host's and the panel's, and the panel's Refresh folder. */
    DS_RIGHT_LIST = 0x4,
    /** @brief The panel's Delete: its buttons, command and the Delete key. */
    DS_RIGHT_DELETE = 0x8,
};
