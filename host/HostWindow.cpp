#include "HostWindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QSplitter>

CHostWindow::CHostWindow() {
    setWindowTitle("docshelf-host");
    auto* splitter = new QSplitter(Qt::Horizontal, this);

    m_pPanel = new QWidget(splitter);
    m_pPanel->setObjectName("DocShelfPanel");
    m_pPanel->setMinimumSize(480, 360);

    m_pLog = new QPlainTextEdit(splitter);
    m_pLog->setObjectName("ContainerCallLog");
    m_pLog->setReadOnly(true);
    m_pLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pLog->setPlaceholderText("Container calls");
    m_pLog->setMaximumBlockCount(5000);

    splitter->addWidget(m_pPanel);
    splitter->addWidget(m_pLog);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setCentralWidget(splitter);
    resize(1100, 560);
}

void CHostWindow::PostLogLine(const QString& line) {
    QMetaObject::invokeMethod(
        this, [this, line] { m_pLog->appendPlainText(line); }, Qt::QueuedConnection);
}

void CHostWindow::closeEvent(QCloseEvent* pEvent) {
    if (m_OnClose) {
        auto handler = std::move(m_OnClose);
        m_OnClose = nullptr;
        handler();
    }
    pEvent->accept();
}
