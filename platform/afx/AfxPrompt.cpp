// SPDX-License-Identifier: Apache-2.0
#include "AfxPrompt.h"

#include <atomic>
#include <mutex>

namespace afx {

// The Qt dialogs (AfxQtPrompts.cpp).
IPromptService& QtPromptService();

namespace {

std::atomic<IPromptService*> g_service{nullptr};

std::mutex g_appNameMutex;
std::string g_appName = "DocShelf";

} // namespace

IPromptService& Prompts() {
    IPromptService* service = g_service.load(std::memory_order_acquire);
    return service ? *service : QtPromptService();
}

void SetPromptService(IPromptService* service) {
    g_service.store(service, std::memory_order_release);
}

IPromptService* InstalledPromptService() {
    return g_service.load(std::memory_order_acquire);
}

int CancelAnswer(UINT style) {
    switch (style & 0x0F) {
    case 1: // OK/Cancel
    case 3: // Yes/No/Cancel
    case 5: // Retry/Cancel
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    default:
        return IDOK;
    }
}

void SetAppName(const std::string& name) {
    std::lock_guard lock(g_appNameMutex);
    g_appName = name;
}

std::string GetAppName() {
    std::lock_guard lock(g_appNameMutex);
    return g_appName;
}

} // namespace afx

int MessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    return afx::Prompts().MessageBox(owner, text ? text : "", caption ? caption : "", style);
}

int AfxMessageBox(const char* text, UINT style) {
    return afx::Prompts().MessageBox(nullptr, text ? text : "", afx::GetAppName(), style);
}

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defExt, const char* fileName, DWORD flags,
                         const char*, CWnd*, DWORD, BOOL)
    : m_open(openFileDialog != FALSE), m_defExt(defExt ? defExt : ""),
      m_fileName(fileName ? fileName : ""), m_flags(flags) {}

int CFileDialog::DoModal() {
    std::string chosen;
    if (!afx::Prompts().FileDialog(m_open, nullptr, m_defExt, m_fileName, m_flags, chosen) ||
        chosen.empty()) {
        return IDCANCEL;
    }
    m_path = chosen;
    return IDOK;
}

std::string CFileDialog::GetFileName() const {
    size_t slash = m_path.find_last_of('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}
