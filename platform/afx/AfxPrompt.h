// SPDX-License-Identifier: Apache-2.0
// Modal prompts: message boxes, open/save dialogs, popup menus and the program choice.
// Everything modal goes through one service: real Qt dialogs by default, a scripted one in
// tests, so that nothing ever blocks on a window nobody can close.
#pragma once

#include <string>
#include <vector>

#include "AfxTypes.h"

class CWnd;

namespace afx {

struct PopupItem {
    std::string text; // UTF-8, as in the menu template
    UINT id = 0;
    bool enabled = true;
    bool separator = false;
};

// Texts, captions, names and paths are in the system code page.
class IPromptService {
public:
    virtual ~IPromptService() = default;
    // An answer such as IDOK or IDYES.
    virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT style) = 0;
    // True with chosenPath set when the user accepted.
    virtual bool FileDialog(bool open, HWND owner, const std::string& defExt,
                            const std::string& fileName, DWORD flags, std::string& chosenPath) = 0;
    // True when a program was chosen and started for the file.
    virtual bool ChooseProgram(const std::string& path) = 0;
    virtual UINT TrackPopup(const std::vector<PopupItem>& items, POINT screen,
                            HWND owner) = 0; /* chosen id, 0 = none */
};

IPromptService& Prompts();
void SetPromptService(IPromptService* service); /* null restores the real Qt dialogs */
// The service set with SetPromptService, null while the real dialogs answer.
IPromptService* InstalledPromptService();

// The answer of a box nobody could answer: No for Yes/No, Cancel where there is one, else OK.
int CancelAnswer(UINT style);

// The caption of the framework's own message box; "DocShelf" unless set.
void SetAppName(const std::string& name);
std::string GetAppName();

} // namespace afx

int MessageBox(HWND owner, const char* text, const char* caption, UINT style);
// The framework's own box: no owner, the application's name as caption.
int AfxMessageBox(const char* text, UINT style = MB_OK);

// The system open/save dialog. No filter and no owner are used; the newer style is the only one.
class CFileDialog {
public:
    explicit CFileDialog(BOOL openFileDialog, const char* defExt = nullptr,
                         const char* fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         const char* filter = nullptr, CWnd* parent = nullptr, DWORD size = 0,
                         BOOL vistaStyle = TRUE);

    // IDOK or IDCANCEL.
    int DoModal();
    // The chosen path (system code page); empty before an accepted DoModal.
    std::string GetPathName() const { return m_path; }
    // The chosen path's last component.
    std::string GetFileName() const;

private:
    bool m_open;
    std::string m_defExt;
    std::string m_fileName;
    DWORD m_flags;
    std::string m_path;
};

// The folder chooser: an open dialog of folders (OFN_PICKFOLDER).
class CFolderPickerDialog : public CFileDialog {
public:
    CFolderPickerDialog()
        : CFileDialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_PICKFOLDER) {}
};
