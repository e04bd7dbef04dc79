// SPDX-License-Identifier: Apache-2.0
#include "HostWindow.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>

#include "HostTexts.h"

CHostWindow::CHostWindow() {
    setWindowTitle("DocShelf");
    m_pPanel = new QWidget(this);
    m_pPanel->setObjectName("DocShelfPanel");
    setCentralWidget(m_pPanel);
    AddLogDock();
    m_pMeetingState = new QLabel(this);
    m_pMeetingState->setObjectName("MeetingState");
    statusBar()->addWidget(m_pMeetingState, 1);
    resize(760, 560);
}

void CHostWindow::AddLogDock() {
    m_pLog = new QPlainTextEdit;
    m_pLog->setObjectName("ContainerCallLog");
    m_pLog->setReadOnly(true);
    m_pLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pLog->setPlaceholderText("Container calls");
    m_pLog->setMaximumBlockCount(5000);
    m_pLogDock = new QDockWidget("Container calls", this);
    m_pLogDock->setObjectName("ContainerCallDock");
    m_pLogDock->setWidget(m_pLog);
    addDockWidget(Qt::BottomDockWidgetArea, m_pLogDock);
    m_pLogDock->hide();
}

void CHostWindow::SetCommands(const HostWindowCommands& commands) {
    menuBar()->clear();
    AddMenus(commands);
}

void CHostWindow::AddMenus(const HostWindowCommands& commands) {
    QMenu* file = menuBar()->addMenu(Text(HostText::FileMenu));
    file->addAction(Text(HostText::UploadFile), QKeySequence("Ctrl+U"), this, commands.upload);
    file->addAction(Text(HostText::RefreshFolder), QKeySequence::Refresh, this, commands.refresh);
    file->addSeparator();
    file->addAction(Text(HostText::ClearTransfers), this, commands.clearTransfers);
    file->addAction(Text(HostText::ClearLocal), this, [this, commands] {
        if (QMessageBox::question(this, "DocShelf", Text(HostText::ConfirmClearLocal)) ==
            QMessageBox::Yes)
            commands.clearLocal();
    });
    file->addSeparator();
    file->addAction(Text(HostText::Quit), QKeySequence::Quit, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(Text(HostText::ViewMenu));
    QAction* calls = m_pLogDock->toggleViewAction();
    calls->setText(Text(HostText::ContainerCalls));
    view->addAction(calls);
    QMenu* language = view->addMenu(Text(HostText::LanguageMenu));
    language->addAction("English", this, [commands] { commands.restartInLanguage("en"); });
    language->addAction(QString::fromUtf8("简体中文"), this,
                        [commands] { commands.restartInLanguage("zh"); });
}

void CHostWindow::PostLogLine(const QString& line) {
    QMetaObject::invokeMethod(
        this, [this, line] { m_pLog->appendPlainText(line); }, Qt::QueuedConnection);
}

void CHostWindow::ShowMeetingState(const QString& text) {
    m_pMeetingState->setText(text);
}

void CHostWindow::closeEvent(QCloseEvent* pEvent) {
    if (m_OnClose) {
        auto handler = std::move(m_OnClose);
        m_OnClose = nullptr;
        handler();
    }
    pEvent->accept();
}
