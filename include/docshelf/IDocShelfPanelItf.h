// SPDX-License-Identifier: Apache-2.0
/**
 * @file IDocShelfPanelItf.h
 * @brief What the panel shows and does, for hosts that test or script it: obtained by the name
 * "IDocShelfPanel" from the component's interface manager.
 */
#pragma once

#include <cstdint>

#include "DocShelfTypes.h"

/**
 * @brief Commands of the directory list that IDocShelfPanelItf::RunDirCommand takes: the ids
 * of its context menu.
 *
 * Each acts on the selected rows' files and is disabled as the panel's menu has it.
 */
enum DSPanelCommand : uint32_t {
    /**
     * @brief Download: each selected file into the save directory, a question (answered Yes)
     * when a file of that name is there. Needs DS_RIGHT_DOWNLOAD; without a save directory a
     * message and nothing else.
     */
    DS_PANEL_CMD_DOWNLOAD = 32773,
    /**
     * @brief Delete: the selected files, after a question; sent only while the latest server
     * check succeeded. Needs DS_RIGHT_DELETE.
     */
    DS_PANEL_CMD_DELETE = 32774,
    /**
     * @brief Upload file: the file dialog, answered with the path, then the checks and the
     * upload of IDocShelfItf::RunUploadCommand. Needs DS_RIGHT_UPLOAD and a server check that
     * succeeded.
     */
    DS_PANEL_CMD_UPLOAD = 32781,
    /** @brief Refresh folder: a server check, then a listing. Needs DS_RIGHT_LIST. */
    DS_PANEL_CMD_REFRESH = 32785,
    /**
     * @brief Download to: one selected file to the path the file dialog is answered with,
     * several into the folder it is answered with. Needs DS_RIGHT_DOWNLOAD.
     */
    DS_PANEL_CMD_DOWNLOAD_TO = 32794,
};

/** @brief IDocShelfPanelItf::GetCommandResult's answers besides a DSTransferResult. */
enum : int32_t {
    /** @brief A transfer the last RunDirCommand started still waits or runs. */
    DS_COMMAND_RUNNING = -1,
    /** @brief The last RunDirCommand started no transfer (or there was none, or no panel). */
    DS_COMMAND_STARTED_NONE = -2,
};

/**
 * @brief The panel as a person sees it, and its commands.
 *
 * Obtained by the name "IDocShelfPanel" from IMXCCItfMgr::QueryItf, as `IDocShelfPanelItf*`
 * converted to `void*`. One object per process, owned by the component, valid from CreateComp
 * until DestroyComp. User-interface thread, except GetLastListResult.
 */
class IDocShelfPanelItf {
public:
    /**
     * @brief Whether any work is pending.
     * @return 1 while directory work is queued or running, a transfer (anyone's) waits or
     *         runs, or results are still on their way to the panel's view; else 0.
     */
    virtual int32_t IsBusy() = 0;
    /**
     * @brief The panel's texts, one line per item, each line ended by "\n".
     *
     * "Caption", a tab and the directory caption (the folder's status); then "DirRow", name,
     * uploader and size text for each row of the directory list in its order; then, only while
     * automatic downloads wait their turn, "TransferCaption" and the transfer list's caption;
     * then "TransferRow", file name, status, size and progress text for each row of the
     * transfer list in its order. Fields are separated by tabs; a tab or line break inside a
     * text is written as a space. Texts are in the system code page. Empty before InitComp.
     * @param pBuffer the host's buffer; may be null when dwSize is 0.
     * @param dwSize its size in bytes: at most dwSize - 1 bytes and a terminating zero are
     *        written.
     * @return the full length in bytes, without the terminating zero.
     */
    virtual uint32_t GetPanelText(char* pBuffer, uint32_t dwSize) = 0;
    /**
     * @brief Runs a command of the directory list as a person would from its context menu.
     *
     * pszRow, when not null, is selected and focused in addition to the rows selected before
     * (the list takes several), and the command acts on every selected file. Its dialogs are
     * answered at once: a file dialog with pszPath (cancelled when pszPath is null or empty),
     * every question with Yes, every message with OK. The transfers it starts are the
     * panel's: GetCommandResult tells what they came to.
     * @param nCommand a DSPanelCommand. The two other ids of the menu, 32780 (New folder,
     *        needs DS_RIGHT_UPLOAD) and 32782 (Delete folder), are taken and do nothing.
     * @param pszRow the name of a row as the list shows it, or null to keep the selection.
     * @param pszPath the answer to a file dialog: an absolute local path (with a relative one
     *        no transfer starts).
     * @return 1 when the command ran; 0 when there are no panel lists, no row of that name,
     *         no such command, or the command is disabled (its right missing, or for Upload
     *         file the latest server check failed).
     */
    virtual int32_t RunDirCommand(uint32_t nCommand, const char* pszRow, const char* pszPath) = 0;
    /**
     * @brief What the latest listing that ended came to, a host's or the panel's.
     *
     * Set before the end call of a host's listing (OnDirectoryEntry with a null name), which
     * comes before any later listing ends: read it in that call, on the directory work thread.
     * Later another listing, the panel's own included, may have replaced it. A listing that
     * did not run because the latest server check failed sets DS_LIST_NO_CONNECTION and has
     * no end call. Any thread.
     * @return a DSListResult; DS_LIST_OK before any listing ended.
     */
    virtual int32_t GetLastListResult() = 0;
    /**
     * @brief The outcome of the transfers the last RunDirCommand started.
     * @return DS_COMMAND_RUNNING while one still waits or runs; DS_COMMAND_STARTED_NONE when
     *         it started none; else 0 when they all succeeded, or the DSTransferResult of the
     *         first of them (in the order started) that failed.
     */
    virtual int32_t GetCommandResult() = 0;

protected:
    /** @brief Not deleted through this interface: the object is the component's. */
    ~IDocShelfPanelItf() = default;
};
