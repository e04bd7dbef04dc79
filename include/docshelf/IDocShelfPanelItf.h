// SPDX-License-Identifier: Apache-2.0
// What the panel shows, for hosts that test or script it; obtained by the name
// "IDocShelfPanel" from the component's interface manager.
#pragma once

#include <cstdint>

#include "DocShelfTypes.h"

// Commands of the directory list that RunDirCommand takes: its context menu's command ids.
enum DSPanelCommand : uint32_t {
    DS_PANEL_CMD_DOWNLOAD = 32773,
    DS_PANEL_CMD_DELETE = 32774,
    DS_PANEL_CMD_UPLOAD = 32781,
    DS_PANEL_CMD_REFRESH = 32785,
    DS_PANEL_CMD_DOWNLOAD_TO = 32794,
};

// GetCommandResult's answers besides a DSTransferResult.
enum : int32_t {
    DS_COMMAND_RUNNING = -1,
    DS_COMMAND_STARTED_NONE = -2,
};

class IDocShelfPanelItf {
public:
    // Nonzero while directory work is queued or running or a transfer is waiting or running.
    virtual int32_t IsBusy() = 0;
    // The panel as a person sees it, one line per item, fields separated by tabs, in the
    // system code page: "Caption" and the directory caption, then "DirRow", name, uploader
    // and size text for each row in the list's order, then "TransferRow", file name, status,
    // size and progress text for each transfer row in its list's order. Copies at most dwSize - 1
    // bytes and a terminating zero; returns the full length.
    virtual uint32_t GetPanelText(char* pBuffer, uint32_t dwSize) = 0;
    // Runs a command of the directory list as a person would from its context menu, on the
    // row named pszRow (null: the selection stays), with its dialogs answered: a file dialog
    // with pszPath, every question with Yes. nCommand is a DSPanelCommand. 0 when there is no
    // panel, no such row or no such command; 1 when the command ran.
    virtual int32_t RunDirCommand(uint32_t nCommand, const char* pszRow, const char* pszPath) = 0;
    // What the latest listing that ended came to, a host's or the panel's: a DSListResult. A
    // host reads it in the end call of its own listing (OnDirectoryEntry with a null name),
    // which comes before any later listing ends.
    virtual int32_t GetLastListResult() = 0;
    // The outcome of the transfers the last RunDirCommand started: DS_COMMAND_RUNNING while one
    // still waits or runs, DS_COMMAND_STARTED_NONE when it started none, else 0 when they all
    // succeeded or the DSTransferResult of the first that failed.
    virtual int32_t GetCommandResult() = 0;

protected:
    ~IDocShelfPanelItf() = default;
};
