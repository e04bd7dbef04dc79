// SPDX-License-Identifier: Apache-2.0
// Runs the host's actions one after another on the user-interface thread, each bounded by the
// timeout, and reports the exit status once all are done or one failed.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "HostOptions.h"
#include "TransferCanceller.h"

class IDocShelfItf;
class IDocShelfPanelItf;
class IDocShelfTransfersItf;
class IDocShelfTransportItf;
class QWidget;

// Exit statuses of the host.
enum : int {
    HOST_EXIT_OK = 0,
    HOST_EXIT_FAILED = 1,
    HOST_EXIT_USAGE = 2,
    HOST_EXIT_UNREACHABLE = 3,
};

class CActionRunner : public QObject {
    Q_OBJECT
public:
    // pPanelItf may be null: the panel actions then run without waiting for idleness and
    // print nothing.
    CActionRunner(IDocShelfItf* pDocShelf, IDocShelfPanelItf* pPanelItf, QWidget* pPanel,
                  std::vector<HostAction> actions, int timeoutSeconds,
                  std::function<void(int)> onFinished);

    // The module data every host transfer carries; 1 would mark the panel's own.
    static constexpr int32_t kModuleData = 2;

    // Waits for the first server state, then runs the actions. DSInit has queued one check.
    void Start();
    // Consecutive transfer actions start at once, once the panel has settled, and end together
    // when the panel has settled again and every host transfer reported.
    void SetTogether(bool bTogether) { m_bTogether = bTogether; }
    // Where the reason comes from when the server is found unavailable; may be null.
    void SetTransport(IDocShelfTransportItf* pTransport) { m_pTransport = pTransport; }
    // --cancel-after: host transfers still running after seconds are cancelled.
    void SetCancelAfter(IDocShelfTransfersItf* pTransfers, double seconds) {
        m_Canceller.Configure(pTransfers, seconds);
    }

    // Any thread: the container's callbacks, handed over to the user-interface thread.
    void PostServerState(int32_t bAvailable);
    void PostListEnd(int32_t nUserData);
    void PostUploaded(int32_t nModuleData, int32_t nUserData, int32_t nResult);
    void PostDownloaded(int32_t nModuleData, int32_t nUserData, int32_t nResult);
    void PostChatFilterFile(const std::string& localPath);
    // The meeting's answers; askParticipants asks for the next count.
    void SetParticipantQuery(std::function<void()> askParticipants) {
        m_AskParticipants = std::move(askParticipants);
    }
    void OnParticipantCount(int count);

private:
    enum class Wait {
        None,
        FirstState,
        Barrier,
        ListEnd,
        Uploaded,
        Downloaded,
        ChatFilter,
        Idle,
        Participants,
        Together
    };

    // failure: why the component refused the server, empty when it did not say.
    void OnServerState(int32_t bAvailable, const std::string& failure);
    static void ReportUnavailable(const char* what, const std::string& failure);
    void ReportFailed(const std::string& what, int32_t nResult) const;
    void OnListEnd(int32_t nUserData, int32_t nResult);
    void OnTransferDone(Wait kind, int32_t nModuleData, int32_t nUserData, int32_t nResult);
    // Whether a host transfer succeeded; a failure or cancellation is reported.
    bool TransferSucceeded(const std::string& what, int32_t nUserData, int32_t nResult);
    void OnChatFilterFile(const std::string& localPath);
    void OnTimeout();
    // Polls the panel until it was idle twice in a row, then runs the panel action.
    void OnIdlePoll();
    bool RunPanelAction(const HostAction& action);
    bool RunPanelCommand(const HostAction& action);
    // Whether the transfers the last panel command started all succeeded; false when it
    // started none.
    bool PanelTransfersSucceeded();
    static bool IsPanelCommand(HostActionKind kind);
    static bool IsTransfer(HostActionKind kind);
    // Starts the transfers from m_nCurrent on and leaves m_nCurrent at the last of them.
    bool StartTogether();
    bool GroupHasPanelCommand() const;
    bool TakeScreenshot(const std::string& file);
    static bool IsRegularFile(const std::string& path);
    bool PrintPanel();

    void RunNext();
    // Starts action m_nCurrent; returns true when it finished at once (result in ok).
    bool StartAction(const HostAction& action, bool& ok);
    bool StartTransferTogether(bool& ok);
    // The actions that are one call of the component's, each waiting for its own answer.
    void StartHostCall(const HostAction& action);
    void WaitForSettledPanel();
    void WaitFor(Wait kind);
    void QueueBarrier();
    void Complete(bool ok);
    void Finish(int status);
    int32_t CurrentUserData() const { return static_cast<int32_t>(m_nCurrent) + 1; }
    static const char* ActionName(HostActionKind kind);

    IDocShelfItf* m_pDocShelf;
    IDocShelfPanelItf* m_pPanelItf;
    IDocShelfTransportItf* m_pTransport = nullptr;
    QWidget* m_pPanel;
    std::vector<HostAction> m_Actions;
    int m_nTimeoutMs;
    std::function<void(int)> m_OnFinished;
    QTimer m_Timer;
    QTimer m_IdleTimer;
    int m_nIdlePolls = 0;
    bool m_bCommandIssued = false;
    Wait m_Wait = Wait::None;
    size_t m_nCurrent = 0;
    // Server checks asked for and server states seen: a barrier holds until they match.
    int m_nChecksIssued = 0;
    int m_nStatesSeen = 0;
    bool m_bFinished = false;
    // The last chat filter file the component handed over, empty when none or deleted.
    std::string m_ChatFilterPath;
    std::function<void()> m_AskParticipants;
    QTimer m_ParticipantTimer;
    bool m_bTogether = false;
    // Host transfers started together that have not reported yet, by user data.
    std::set<int32_t> m_Outstanding;
    bool m_bTogetherFailed = false;
    CTransferCanceller m_Canceller;
};
