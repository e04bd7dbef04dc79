// The host's main window: the panel the component takes over, with a log of the container
// calls beside it.
#pragma once

#include <QMainWindow>

#include <functional>

class QPlainTextEdit;

class CHostWindow : public QMainWindow {
    Q_OBJECT
public:
    CHostWindow();

    // The window handed to InitComp.
    QWidget* Panel() const { return m_pPanel; }
    // Any thread.
    void PostLogLine(const QString& line);
    // Runs once when the user closes the window.
    void SetCloseHandler(std::function<void()> handler) { m_OnClose = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    QWidget* m_pPanel;
    QPlainTextEdit* m_pLog;
    std::function<void()> m_OnClose;
};
