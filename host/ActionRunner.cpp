// SPDX-License-Identifier: Apache-2.0
#include "ActionRunner.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <sys/stat.h>

#include "DocShelf.h"
#include "HostLog.h"
#include "ServerSecurity.h"

namespace {
constexpr const char* kChatFilterUploaded = "CHAT_FILTER_FILE_UPLOADED";
constexpr int kIdlePollMs = 50;
constexpr int kParticipantPollMs = 250;
} // namespace

CActionRunner::CActionRunner(IDocShelfItf* pDocShelf, IDocShelfPanelItf* pPanelItf, QWidget* pPanel,
                             std::vector<HostAction> actions, int timeoutSeconds,
                             std::function<void(int)> onFinished)
    : m_pDocShelf(pDocShelf), m_pPanelItf(pPanelItf), m_pPanel(pPanel),
      m_Actions(std::move(actions)), m_nTimeoutMs(timeoutSeconds * 1000),
      m_OnFinished(std::move(onFinished)) {
    m_Timer.setSingleShot(true);
    connect(&m_Timer, &QTimer::timeout, this, &CActionRunner::OnTimeout);
    m_IdleTimer.setInterval(kIdlePollMs);
    connect(&m_IdleTimer, &QTimer::timeout, this, &CActionRunner::OnIdlePoll);
    m_ParticipantTimer.setSingleShot(true);
    connect(&m_ParticipantTimer, &QTimer::timeout, this, [this] {
        if (m_Wait == Wait::Participants && m_AskParticipants)
            m_AskParticipants();
    });
}

void CActionRunner::OnIdlePoll() {
    if (m_Wait != Wait::Idle) {
        m_IdleTimer.stop();
        return;
    }
    // Results already posted reach the panel between two polls.
    bool bIdle = (m_pPanelItf == nullptr || !m_pPanelItf->IsBusy()) && m_Outstanding.empty();
    m_nIdlePolls = bIdle ? m_nIdlePolls + 1 : 0;
    if (m_nIdlePolls < 2)
        return;
    const HostAction& action = m_Actions[m_nCurrent];
    bool bTogether = m_bTogether && IsTransfer(action.kind);
    if ((bTogether || IsPanelCommand(action.kind)) && !m_bCommandIssued) {
        m_bCommandIssued = true;
        m_nIdlePolls = 0;
        if (!(bTogether ? StartTogether() : RunPanelCommand(action))) {
            m_IdleTimer.stop();
            Complete(false);
        }
        return;
    }
    m_IdleTimer.stop();
    Complete(RunPanelAction(action) && !(bTogether && m_bTogetherFailed));
}

bool CActionRunner::IsPanelCommand(HostActionKind kind) {
    return kind == HostActionKind::PanelUpload || kind == HostActionKind::PanelDownload ||
           kind == HostActionKind::PanelDelete;
}

bool CActionRunner::IsTransfer(HostActionKind kind) {
    return kind == HostActionKind::Upload || kind == HostActionKind::Download ||
           kind == HostActionKind::PanelUpload || kind == HostActionKind::PanelDownload;
}

bool CActionRunner::GroupHasPanelCommand() const {
    for (size_t i = m_nCurrent; i < m_Actions.size() && IsTransfer(m_Actions[i].kind); ++i) {
        if (IsPanelCommand(m_Actions[i].kind))
            return true;
    }
    return false;
}

bool CActionRunner::StartTogether() {
    m_bTogetherFailed = false;
    for (size_t i = m_nCurrent; i < m_Actions.size() && IsTransfer(m_Actions[i].kind); ++i) {
        m_nCurrent = i;
        const HostAction& action = m_Actions[i];
        const char* local = action.localPath.c_str();
        const char* server = action.serverPath.c_str();
        if (action.kind == HostActionKind::Upload) {
            m_pDocShelf->UploadFile(local, server, kModuleData, CurrentUserData());
        } else if (action.kind == HostActionKind::Download) {
            m_pDocShelf->DownloadFile(local, server, kModuleData, CurrentUserData());
        } else if (!RunPanelCommand(action)) {
            return false;
        }
        if (!IsPanelCommand(action.kind)) {
            m_Canceller.Started(CurrentUserData());
            m_Outstanding.insert(CurrentUserData());
        }
    }
    return true;
}

bool CActionRunner::RunPanelAction(const HostAction& action) {
    QCoreApplication::processEvents();
    switch (action.kind) {
    case HostActionKind::Screenshot:
        return TakeScreenshot(action.text);
    case HostActionKind::PrintPanel:
        return PrintPanel();
    case HostActionKind::PanelUpload:
    case HostActionKind::PanelDownload:
        return PanelTransfersSucceeded();
    default:
        return true; // a panel command: done once the panel is idle again
    }
}

bool CActionRunner::PanelTransfersSucceeded() {
    if (m_pPanelItf == nullptr || m_bTogether) {
        return true; // transfers started together are counted as they report
    }
    const int32_t result = m_pPanelItf->GetCommandResult();
    if (result == DS_COMMAND_STARTED_NONE) {
        CHostLog::Instance().Diag("the panel command started no transfer");
    } else if (result != DS_RESULT_SUCCESS) {
        CHostLog::Instance().Diag("the panel's transfer failed with result %d", result);
    }
    return result == DS_RESULT_SUCCESS;
}

bool CActionRunner::RunPanelCommand(const HostAction& action) {
    if (m_pPanelItf == nullptr) {
        CHostLog::Instance().Diag("the component does not take panel commands");
        return false;
    }
    uint32_t command = DS_PANEL_CMD_DELETE;
    const char* row = action.serverPath.c_str();
    if (action.kind == HostActionKind::PanelUpload) {
        command = DS_PANEL_CMD_UPLOAD;
        row = nullptr;
    } else if (action.kind == HostActionKind::PanelDownload) {
        command = action.localPath.empty() ? DS_PANEL_CMD_DOWNLOAD : DS_PANEL_CMD_DOWNLOAD_TO;
    }
    if (!m_pPanelItf->RunDirCommand(command, row, action.localPath.c_str())) {
        CHostLog::Instance().Diag("the panel has no row '%s' or the command is disabled",
                                  row != nullptr ? row : "");
        return false;
    }
    return true;
}

bool CActionRunner::TakeScreenshot(const std::string& file) {
    // The window as the person sees it: menu, panel and status line. On a display the
    // pixels come from the screen itself; offscreen the window renders itself.
    QWidget* window = m_pPanel->window();
    QImage image = QGuiApplication::platformName() == "xcb" && window->screen() != nullptr
                       ? window->screen()->grabWindow(window->winId()).toImage()
                       : window->grab().toImage();
    // PNG unless the name asks for another format (".ppm" for simple readers).
    QString name = QString::fromLocal8Bit(file.c_str());
    const char* format = name.endsWith(".ppm", Qt::CaseInsensitive) ? "PPM" : "PNG";
    bool ok = !image.isNull() && image.save(name, format);
    if (ok)
        CHostLog::Instance().Diag("screenshot written to %s", file.c_str());
    return ok;
}

bool CActionRunner::PrintPanel() {
    if (m_pPanelItf == nullptr) {
        CHostLog::Instance().Diag("the component does not show its panel's texts");
        return false;
    }
    std::string text(m_pPanelItf->GetPanelText(nullptr, 0) + 1, '\0');
    text.resize(m_pPanelItf->GetPanelText(text.data(), static_cast<uint32_t>(text.size())));
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return true;
}

void CActionRunner::Start() {
    m_nChecksIssued = 1;
    WaitFor(Wait::FirstState);
}

void CActionRunner::PostServerState(int32_t bAvailable) {
    // Read in the call itself: a later check that reaches the server clears it.
    std::string failure = bAvailable ? std::string() : LastTransportFailure(m_pTransport);
    QMetaObject::invokeMethod(
        this, [this, bAvailable, failure] { OnServerState(bAvailable, failure); },
        Qt::QueuedConnection);
}

void CActionRunner::PostListEnd(int32_t nUserData) {
    // Read in the end call itself: a later listing would replace it.
    const int32_t result = m_pPanelItf != nullptr ? m_pPanelItf->GetLastListResult() : DS_LIST_OK;
    QMetaObject::invokeMethod(
        this, [this, nUserData, result] { OnListEnd(nUserData, result); }, Qt::QueuedConnection);
}

void CActionRunner::PostUploaded(int32_t nModuleData, int32_t nUserData, int32_t nResult) {
    QMetaObject::invokeMethod(
        this, [=, this] { OnTransferDone(Wait::Uploaded, nModuleData, nUserData, nResult); },
        Qt::QueuedConnection);
}

void CActionRunner::PostDownloaded(int32_t nModuleData, int32_t nUserData, int32_t nResult) {
    QMetaObject::invokeMethod(
        this, [=, this] { OnTransferDone(Wait::Downloaded, nModuleData, nUserData, nResult); },
        Qt::QueuedConnection);
}

void CActionRunner::PostChatFilterFile(const std::string& localPath) {
    QMetaObject::invokeMethod(
        this, [this, localPath] { OnChatFilterFile(localPath); }, Qt::QueuedConnection);
}

void CActionRunner::ReportUnavailable(const char* what, const std::string& failure) {
    if (failure.empty())
        CHostLog::Instance().Diag("%s", what);
    else
        CHostLog::Instance().Diag("server refused: %s", failure.c_str());
}

// A refusal of the component's (a certificate, Basic in clear) says why better than a number.
void CActionRunner::ReportFailed(const std::string& what, int32_t nResult) const {
    const std::string refusal = LastTransportFailure(m_pTransport);
    CHostLog::Instance().Diag("%s failed with result %d%s%s", what.c_str(), nResult,
                              refusal.empty() ? "" : "; server refused: ", refusal.c_str());
}

void CActionRunner::OnServerState(int32_t bAvailable, const std::string& failure) {
    ++m_nStatesSeen;
    if (m_Wait == Wait::FirstState) {
        if (!bAvailable) {
            ReportUnavailable("server unreachable", failure);
            Finish(HOST_EXIT_UNREACHABLE);
            return;
        }
        m_Wait = Wait::None;
        m_Timer.stop();
        RunNext();
        return;
    }
    if (m_Wait == Wait::Barrier && m_nStatesSeen >= m_nChecksIssued) {
        if (!bAvailable)
            ReportUnavailable("server became unreachable", failure);
        Complete(bAvailable != 0);
    }
}

void CActionRunner::OnListEnd(int32_t nUserData, int32_t nResult) {
    if (m_Wait != Wait::ListEnd || nUserData != CurrentUserData())
        return;
    if (nResult != DS_LIST_OK)
        ReportFailed("the listing", nResult);
    Complete(nResult == DS_LIST_OK);
}

void CActionRunner::OnTransferDone(Wait kind, int32_t nModuleData, int32_t nUserData,
                                   int32_t nResult) {
    if (nModuleData == kModuleData && m_Outstanding.erase(nUserData) > 0) {
        if (!TransferSucceeded("transfer " + std::to_string(nUserData), nUserData, nResult))
            m_bTogetherFailed = true;
        if (m_Wait == Wait::Together && m_Outstanding.empty())
            Complete(!m_bTogetherFailed);
        return;
    }
    if (m_Wait != kind || nModuleData != kModuleData || nUserData != CurrentUserData())
        return;
    Complete(TransferSucceeded("transfer", nUserData, nResult));
}

bool CActionRunner::TransferSucceeded(const std::string& what, int32_t nUserData, int32_t nResult) {
    const bool bCancelled = m_Canceller.Ended(nUserData, nResult);
    if (nResult != DS_RESULT_SUCCESS && !bCancelled)
        ReportFailed(what, nResult);
    return nResult == DS_RESULT_SUCCESS;
}

bool CActionRunner::IsRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void CActionRunner::OnChatFilterFile(const std::string& localPath) {
    m_ChatFilterPath = localPath;
    if (m_Wait != Wait::ChatFilter)
        return;
    // The component names the file whatever became of the download, so look for it.
    bool ok = IsRegularFile(localPath);
    if (!ok)
        CHostLog::Instance().Diag("chat filter file missing: %s", localPath.c_str());
    Complete(ok);
}

void CActionRunner::OnParticipantCount(int count) {
    if (m_Wait != Wait::Participants)
        return;
    const int wanted = std::atoi(m_Actions[m_nCurrent].text.c_str());
    if (count >= wanted) {
        CHostLog::Instance().Diag("%d participants in the meeting", count);
        Complete(true);
        return;
    }
    m_ParticipantTimer.start(kParticipantPollMs);
}

void CActionRunner::OnTimeout() {
    if (m_Wait == Wait::None)
        return;
    if (m_Wait == Wait::FirstState)
        CHostLog::Instance().Diag("timed out waiting for the first server state");
    else
        CHostLog::Instance().Diag("timed out: action %zu (%s)", m_nCurrent + 1,
                                  ActionName(m_Actions[m_nCurrent].kind));
    m_Wait = Wait::None;
    Finish(HOST_EXIT_FAILED);
}

void CActionRunner::WaitFor(Wait kind) {
    m_Wait = kind;
    m_Timer.start(m_nTimeoutMs);
}

void CActionRunner::QueueBarrier() {
    // The work thread runs its items in order: the answer to this check proves that the
    // work queued before it has run.
    ++m_nChecksIssued;
    m_pDocShelf->CheckServer();
    WaitFor(Wait::Barrier);
}

void CActionRunner::Complete(bool ok) {
    m_Timer.stop();
    m_Wait = Wait::None;
    if (!ok) {
        CHostLog::Instance().Diag("action %zu (%s) failed", m_nCurrent + 1,
                                  ActionName(m_Actions[m_nCurrent].kind));
        Finish(HOST_EXIT_FAILED);
        return;
    }
    ++m_nCurrent;
    RunNext();
}

void CActionRunner::RunNext() {
    while (!m_bFinished && m_nCurrent < m_Actions.size()) {
        bool ok = false;
        if (!StartAction(m_Actions[m_nCurrent], ok))
            return; // waiting for a callback
        if (!ok) {
            CHostLog::Instance().Diag("action %zu (%s) failed", m_nCurrent + 1,
                                      ActionName(m_Actions[m_nCurrent].kind));
            Finish(HOST_EXIT_FAILED);
            return;
        }
        ++m_nCurrent;
    }
    if (!m_bFinished)
        Finish(HOST_EXIT_OK);
}

bool CActionRunner::StartAction(const HostAction& action, bool& ok) {
    if (m_bTogether && IsTransfer(action.kind))
        return StartTransferTogether(ok);
    switch (action.kind) {
    case HostActionKind::List:
    case HostActionKind::Upload:
    case HostActionKind::Download:
    case HostActionKind::EnsureDir:
    case HostActionKind::Broadcast:
    case HostActionKind::ClearServer:
        StartHostCall(action);
        return false;
    case HostActionKind::ClearLocal:
        ok = m_pDocShelf->ClearLocalDSSpace() == 1;
        return true;
    case HostActionKind::WaitParticipants:
        if (!m_AskParticipants) {
            ok = false;
            return true;
        }
        WaitFor(Wait::Participants);
        m_AskParticipants();
        return false;
    case HostActionKind::WaitChatFilter:
        // It may have arrived before this action began.
        if (IsRegularFile(m_ChatFilterPath)) {
            ok = true;
            return true;
        }
        WaitFor(Wait::ChatFilter);
        return false;
    case HostActionKind::PanelUpload:
    case HostActionKind::PanelDownload:
    case HostActionKind::PanelDelete:
        // The command runs once the panel has settled (its rows listed), and the action ends
        // when it has settled again.
        m_bCommandIssued = false;
        [[fallthrough]];
    case HostActionKind::Screenshot:
    case HostActionKind::PrintPanel:
        WaitForSettledPanel();
        return false;
    }
    ok = false;
    return true;
}

bool CActionRunner::StartTransferTogether(bool& ok) {
    if (!GroupHasPanelCommand()) {
        // Host transfers need no settled panel: they start now and end with their callbacks.
        if (!StartTogether()) {
            ok = false;
            return true;
        }
        WaitFor(Wait::Together);
        return false;
    }
    // Started from the idle poll, as a panel command is.
    m_bCommandIssued = false;
    WaitForSettledPanel();
    return false;
}

void CActionRunner::StartHostCall(const HostAction& action) {
    const int32_t userData = CurrentUserData();
    const char* server = action.serverPath.c_str();
    const char* local = action.localPath.c_str();
    switch (action.kind) {
    case HostActionKind::List:
        m_pDocShelf->ListDirectoryContent(server, 0, userData);
        WaitFor(Wait::ListEnd);
        break;
    case HostActionKind::Upload:
        m_pDocShelf->UploadFile(local, server, kModuleData, userData);
        m_Canceller.Started(userData);
        WaitFor(Wait::Uploaded);
        break;
    case HostActionKind::Download:
        m_pDocShelf->DownloadFile(local, server, kModuleData, userData);
        m_Canceller.Started(userData);
        WaitFor(Wait::Downloaded);
        break;
    case HostActionKind::EnsureDir:
        // Done only when the folder is there afterwards: its listing says so.
        m_pDocShelf->EnsureDirectory(server);
        m_pDocShelf->ListDirectoryContent(server, 0, userData);
        WaitFor(Wait::ListEnd);
        break;
    case HostActionKind::Broadcast:
        m_pDocShelf->OnBroadcastMessage(action.text.c_str());
        if (strcasecmp(action.text.c_str(), kChatFilterUploaded) == 0)
            WaitFor(Wait::ChatFilter);
        else
            QueueBarrier();
        break;
    case HostActionKind::ClearServer:
        m_pDocShelf->ClearServerSpace();
        QueueBarrier();
        break;
    default:
        break;
    }
}

void CActionRunner::WaitForSettledPanel() {
    // Once the panel has settled: rows listed, transfers ended.
    m_nIdlePolls = 0;
    WaitFor(Wait::Idle);
    m_IdleTimer.start();
}

void CActionRunner::Finish(int status) {
    if (m_bFinished)
        return;
    m_bFinished = true;
    m_Timer.stop();
    m_Canceller.Stop();
    m_Wait = Wait::None;
    if (m_OnFinished)
        m_OnFinished(status);
}

const char* CActionRunner::ActionName(HostActionKind kind) {
    switch (kind) {
    case HostActionKind::List:
        return "list";
    case HostActionKind::Upload:
        return "upload";
    case HostActionKind::Download:
        return "download";
    case HostActionKind::EnsureDir:
        return "ensure-dir";
    case HostActionKind::Broadcast:
        return "broadcast";
    case HostActionKind::ClearServer:
        return "clear-server";
    case HostActionKind::ClearLocal:
        return "clear-local";
    case HostActionKind::Screenshot:
        return "screenshot";
    case HostActionKind::PrintPanel:
        return "print-panel";
    case HostActionKind::PanelUpload:
        return "panel-upload";
    case HostActionKind::PanelDownload:
        return "panel-download";
    case HostActionKind::PanelDelete:
        return "panel-delete";
    case HostActionKind::WaitParticipants:
        return "wait-participants";
    case HostActionKind::WaitChatFilter:
        return "wait-chat-filter";
    }
    return "?";
}
