// SPDX-License-Identifier: Apache-2.0
/**
 * @file DocShelfTypes.h
 * @brief Window handles and the result codes shared by the component and its hosts.
 *
 * DocShelf.h, MXModuleItf.h and IDocShelfPanelItf.h include it. The transfer results come
 * with IDocShelfContainerItf::OnFileUploaded, IDocShelfContainerItf::OnFileDownloaded and
 * IDocShelfPanelItf::GetCommandResult; the listing results with
 * IDocShelfPanelItf::GetLastListResult. The host guide's "Results and error codes" lists them
 * together.
 */
#pragma once

#include <cstdint>

#ifndef DOCSHELF_HWND_DEFINED
/**
 * @brief Defined once HWND is declared.
 *
 * A host whose own headers already declare HWND as `struct HWND__*` defines this first, and
 * this header then declares nothing.
 */
#define DOCSHELF_HWND_DEFINED
/** @brief Incomplete type behind HWND; never defined. */
struct HWND__;
/**
 * @brief A host window: on this platform a pointer to the host's QWidget.
 *
 * A host passes `reinterpret_cast<HWND>(widget)` (IMXCCItfMgr::InitComp,
 * IDocShelfItf::SetParentWnd); the component converts it back to `QWidget*` and uses it as
 * nothing else. The widget stays the host's: the component never deletes it.
 */
typedef HWND__* HWND;
#endif

/**
 * @brief What a transfer came to.
 *
 * Reported with every finished upload and download of the host
 * (IDocShelfContainerItf::OnFileUploaded, IDocShelfContainerItf::OnFileDownloaded) and for the
 * transfers of IDocShelfPanelItf::RunDirCommand (IDocShelfPanelItf::GetCommandResult). Every
 * request has a connect timeout of 10 s and a read timeout of 25 s.
 */
enum DSTransferResult : int32_t {
    /**
     * @brief Done: an upload is in place under its name with the file's length (or the server
     * reports no length), a download is in place under its local name with exactly the bytes
     * the server's answer promised.
     */
    DS_RESULT_SUCCESS = 0,
    /**
     * @brief No answer: the connection could not be made or was lost, a timeout passed, the
     * server sent only interim answers, an answer broke off, or the transfer moved less than
     * 1 KiB in 60 s.
     *
     * With the panel in place such an end also queues a server check (at most one every 2 s),
     * so IDocShelfContainerItf::OnServerState may follow.
     */
    DS_RESULT_REQUEST_FAILED = 1,
    /**
     * @brief The local side failed: an upload's file could not be opened or read; a
     * download's folder is missing (no request is sent), its temporary file could not be made,
     * written or renamed, its file name is one the component keeps for its own files, or the
     * target was changed while the download ran (the file there stays as it is).
     */
    DS_RESULT_LOCAL_FILE_FAILED = 2,
    /**
     * @brief Cancelled by IDocShelfTransfersItf::CancelTransfer before it was complete.
     *
     * DestroyComp cancels every transfer too, but their ends reach no host.
     */
    DS_RESULT_CANCELLED = 3,
    /**
     * @brief Refused by the server: a final status the step does not accept, other than 507
     * and a download's 404 (401 for wrong credentials or a refused Basic challenge, 403, 409
     * for an upload into a missing folder, 5xx); an upload whose length on the server differs
     * from the file's or cannot be read back; a download whose answer is not exactly the bytes
     * it promised.
     */
    DS_RESULT_SERVER_ERROR = 4,
    /** @brief No room on the server: it answered 507 to one of the transfer's requests. */
    DS_RESULT_NO_ROOM = 5,
    /**
     * @brief Not found: a download's server file is not there (404), or an upload's file is
     * not found where it was put when its length is read back.
     */
    DS_RESULT_NOT_FOUND = 6,
};

/**
 * @brief What a listing came to (IDocShelfPanelItf::GetLastListResult).
 *
 * A listing, the host's (IDocShelfItf::ListDirectoryContent) or the panel's, ends within 60 s
 * however the server answers. A listing that failed reports no entry: a folder that could not
 * be read never looks like an empty one.
 */
enum DSListResult : int32_t {
    /**
     * @brief Read: a 207 multistatus, XML, that describes the folder itself; its entries
     * were reported. GetLastListResult also gives it before any listing ended.
     */
    DS_LIST_OK = 0,
    /**
     * @brief No answer, or the connection was lost, or the answer took longer than 60 s.
     *
     * Also a listing that did not run because the latest server check failed; such a
     * listing of the host's gets no end call.
     */
    DS_LIST_NO_CONNECTION = 1,
    /**
     * @brief An answer other than a multistatus (401 for wrong credentials or a refused
     * Basic challenge, 403, 404 for a missing folder, 400, 500, ...), or a path with an
     * empty, "." or ".." name in it, for which no request was sent.
     */
    DS_LIST_REFUSED = 4,
    /**
     * @brief A 207 that could not be parsed, is not XML, does not describe the folder itself
     * or holds more than 250,000 entries.
     */
    DS_LIST_UNREADABLE = 7,
};
