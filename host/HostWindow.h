// SPDX-License-Identifier: Apache-2.0
// The host's main window: the panel the component takes over fills it. A menu offers what a
// conferencing host would do with the panel; the container calls are in a dock, closed until
// the person opens it; the status line tells how the meeting is.
#pragma once

#include <QMainWindow>

#include <functional>

class QDockWidget;
class QLabel;
class QPlainTextEdit;

// What the menu's entries do; the host fills them in.
struct HostWindowCommands {
    std::function<void()> upload;
    std::function<void()> refresh;
    std::function<void()> clearTransfers;
    std::function<void()> clearLocal;
    // Starts the host again in "en" or "zh" and closes this one.
    std::function<void(const char*)> restartInLanguage;
};

class CHostWindow : public QMainWindow {
    Q_OBJECT
public:
    CHostWindow();

    // The window handed to InitComp.
    QWidget* Panel() const { return m_pPanel; }
    void SetCommands(const HostWindowCommands& commands);
    // Any thread.
    void PostLogLine(const QString& line);
    void ShowMeetingState(const QString& text);
    // Runs once when the user closes the window.
    void SetCloseHandler(std::function<void()> handler) { m_OnClose = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void AddLogDock();
    void AddMenus(const HostWindowCommands& commands);

    QWidget* m_pPanel;
    QPlainTextEdit* m_pLog = nullptr;
    QDockWidget* m_pLogDock = nullptr;
    QLabel* m_pMeetingState = nullptr;
    std::function<void()> m_OnClose;
};
