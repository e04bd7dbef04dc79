// SPDX-License-Identifier: Apache-2.0
// The real prompts: Qt message boxes, file dialogs, popup menus and the program choice.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QVBoxLayout>

#include "AfxLanguage.h"
#include "AfxPrompt.h"
#include "AfxQt.h"
#include "AfxShell.h"

namespace afx {
namespace {

QWidget* OwnerWidget(HWND owner) {
    return reinterpret_cast<QWidget*>(owner);
}

// A prompt on the heap: when its owner goes away during exec it takes the prompt along,
// which a prompt on the stack would not survive.
template <typename W> class Guarded {
public:
    template <typename... Args> explicit Guarded(Args&&... args) : m_w(new W(args...)) {}
    ~Guarded() { delete m_w.data(); }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;
    W* operator->() const { return m_w.data(); }
    bool Alive() const { return !m_w.isNull(); }

private:
    QPointer<W> m_w;
};

// Widgets need a QApplication and its thread; anything else gets the cancel answer.
bool CanShow(const char* what) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        qWarning("afx: %s not shown: no QApplication", what);
        return false;
    }
    if (QThread::currentThread() != app->thread()) {
        qWarning("afx: %s not shown: not on the user-interface thread", what);
        return false;
    }
    return true;
}

class ProgramChoiceDialog : public QDialog {
public:
    ProgramChoiceDialog(const QString& fileName, const std::vector<DesktopApp>& apps)
        : m_apps(apps) {
        const bool chinese = GetThreadUILanguage() == LANGID_ZH_CN;
        setWindowTitle(chinese ? QStringLiteral("打开方式") : QStringLiteral("Open with"));
        auto* layout = new QVBoxLayout(this);
        auto* label =
            new QLabel(chinese ? QStringLiteral("选择用来打开“%1”的程序：").arg(fileName)
                               : QStringLiteral("Choose the program to open \"%1\":").arg(fileName),
                       this);
        label->setTextFormat(Qt::PlainText); // a file name is no markup
        layout->addWidget(label);
        m_list = new QListWidget(this);
        for (const DesktopApp& app : m_apps) {
            m_list->addItem(QString::fromStdString(app.name));
        }
        if (!m_apps.empty()) {
            m_list->setCurrentRow(0);
        }
        layout->addWidget(m_list);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        layout->addWidget(buttons);
        resize(360, 420);
    }

    const DesktopApp* Chosen() const {
        int row = m_list->currentRow();
        return row >= 0 && row < static_cast<int>(m_apps.size()) ? &m_apps[row] : nullptr;
    }

private:
    std::vector<DesktopApp> m_apps;
    QListWidget* m_list = nullptr;
};

class QtPrompts : public IPromptService {
public:
    int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT style) override {
        if (!CanShow("message box")) {
            return CancelAnswer(style);
        }
        Guarded<QMessageBox> box(OwnerWidget(owner));
        box->setWindowTitle(detail::FromAnsi(caption));
        // Texts carry file names from the server: never read them as markup.
        box->setTextFormat(Qt::PlainText);
        box->setText(detail::FromAnsi(text));
        switch (style & 0x0F) {
        case MB_YESNO:
            box->setIcon(QMessageBox::Question);
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box->setDefaultButton(QMessageBox::Yes);
            break;
        case 1:
            box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        default:
            box->setStandardButtons(QMessageBox::Ok);
            break;
        }
        const int button = box->exec();
        if (!box.Alive()) {
            return CancelAnswer(style);
        }
        switch (button) {
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Ok:
            return IDOK;
        default:
            return CancelAnswer(style); // closed with the window's close button
        }
    }

    bool FileDialog(bool open, HWND owner, const std::string& defExt, const std::string& fileName,
                    DWORD flags, std::string& chosenPath) override {
        if (!CanShow("file dialog")) {
            return false;
        }
        Guarded<QFileDialog> dialog(OwnerWidget(owner));
        dialog->setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog->setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (flags & OFN_PICKFOLDER) {
            dialog->setFileMode(QFileDialog::Directory);
            dialog->setOption(QFileDialog::ShowDirsOnly);
        }
        QString ext = detail::FromAnsi(defExt);
        while (ext.startsWith(QLatin1Char('.'))) {
            ext.remove(0, 1);
        }
        if (!ext.isEmpty()) {
            dialog->setDefaultSuffix(ext);
        }
        if (!fileName.empty()) {
            dialog->selectFile(detail::FromAnsi(fileName));
        }
        if (!(flags & OFN_OVERWRITEPROMPT)) {
            dialog->setOption(QFileDialog::DontConfirmOverwrite);
        }
        if (dialog->exec() != QDialog::Accepted || !dialog.Alive() ||
            dialog->selectedFiles().isEmpty()) {
            return false;
        }
        chosenPath = detail::ToAnsi(dialog->selectedFiles().first());
        return !chosenPath.empty();
    }

    bool ChooseProgram(const std::string& path) override {
        if (!CanShow("program choice")) {
            return false;
        }
        std::vector<DesktopApp> apps = FindApplicationsForMime(MimeTypesForPath(path), true);
        QString fileName = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
        Guarded<ProgramChoiceDialog> dialog(fileName, apps);
        if (dialog->exec() != QDialog::Accepted || !dialog.Alive() || dialog->Chosen() == nullptr) {
            return false;
        }
        std::vector<std::string> argv = ExpandDesktopExec(dialog->Chosen()->exec, path);
        if (!LaunchDetached(argv)) {
            qWarning("afx: could not start %s", dialog->Chosen()->exec.c_str());
            return false;
        }
        return true;
    }

    UINT TrackPopup(const std::vector<PopupItem>& items, POINT screen, HWND owner) override {
        if (!CanShow("popup menu")) {
            return 0;
        }
        Guarded<QMenu> menu(OwnerWidget(owner));
        for (const PopupItem& item : items) {
            if (item.separator) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromStdString(item.text));
            action->setData(item.id);
            action->setEnabled(item.enabled);
        }
        QAction* chosen = menu->exec(QPoint(screen.x, screen.y));
        return chosen && menu.Alive() ? chosen->data().toUInt() : 0;
    }
};

} // namespace

IPromptService& QtPromptService() {
    static QtPrompts prompts;
    return prompts;
}

} // namespace afx
