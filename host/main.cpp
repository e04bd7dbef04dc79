// SPDX-License-Identifier: Apache-2.0
// docshelf-host: loads the component, brings its panel up in a window of its own and runs the
// actions given on the command line.
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <locale.h>
#include <malloc.h>
#include <memory>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "ActionRunner.h"
#include "CallPrinter.h"
#include "ComponentLoader.h"
#include "CoreLib.h"
#include "DocShelf.h"
#include "HostContainer.h"
#include "HostItfMgr.h"
#include "HostLog.h"
#include "HostOptions.h"
#include "HostWindow.h"
#include "IDocShelfAutoDownloadItf.h"
#include "IDocShelfInfoItf.h"
#include "IDocShelfTransfersItf.h"
#include "IDocShelfTransportItf.h"
#include "MeetingBridge.h"
#include "MeetingLink.h"
#include "ServerSecurity.h"
#include "UiLatencyProbe.h"

namespace {

// A host process has a handful of threads that allocate little; one malloc arena per thread
// only keeps memory resident (about 1.6 MB per participant at rest in bench/meeting).
constexpr int kMallocArenas = 2;

// The component takes its user-interface language from the locale's message category, so the
// choice is made through the environment before anything reads it; the host stays a plain
// client of the public interface.
void ApplyLanguage(const std::string& lang) {
    if (lang.empty())
        return;
    if (const char* all = std::getenv("LC_ALL"); all && *all) {
        // LC_ALL would hide LC_MESSAGES; keep its character set for LC_CTYPE.
        if (!std::getenv("LC_CTYPE"))
            setenv("LC_CTYPE", all, 1);
        unsetenv("LC_ALL");
    }
    const char* locale = lang == "zh" ? "zh_CN.UTF-8" : "en_US.UTF-8";
    setenv("LANGUAGE", lang == "zh" ? "zh_CN" : "en_US", 1);
    // A message locale the system lacks would make setlocale(LC_ALL, "") fail as a whole and
    // drop the character set with it.
    if (locale_t probe = newlocale(LC_MESSAGES_MASK, locale, nullptr)) {
        freelocale(probe);
        setenv("LC_MESSAGES", locale, 1);
    } else {
        CHostLog::Instance().Diag("locale %s is not installed; only LANGUAGE is set", locale);
    }
}

// Qt's own warnings join the host's diagnostics (standard error or --log).
void QtMessageSink(QtMsgType type, const QMessageLogContext&, const QString& message) {
    // The offscreen platform has no window manager to hand size hints to; nothing is wrong.
    if (message.contains("does not support propagateSizeHints"))
        return;
    int32_t level = type == QtDebugMsg || type == QtInfoMsg ? CORELOG_INFO : CORELOG_ERROR;
    CHostLog::Instance().Write("qt", level, message.toLocal8Bit().constData());
}

// Qt wants a private runtime directory; a session without one (a service, a container)
// gets one of its own instead of a warning.
void EnsureRuntimeDirectory() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir)
        return;
    std::string path = "/tmp/docshelf-runtime-" + std::to_string(getuid());
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
        (st.st_mode & 0077) == 0)
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
}

// "DocShelf - Alice (alice) - 127.0.0.1:8080/dav/room/ - meeting room1"
QString WindowTitle(const CHostOptions& options) {
    QString title =
        QString("DocShelf - %1 (%2) - %3:%4%5")
            .arg(QString::fromStdString(options.author), QString::fromStdString(options.user),
                 QString::fromStdString(options.host))
            .arg(options.port)
            .arg(QString::fromStdString(options.serverDir));
    if (!options.meetingUrl.empty())
        title += " - meeting " + QString::fromStdString(options.meeting.room);
    return title;
}

// The same settings again, in the other language; the actions are not repeated.
void RestartInLanguage(const CHostOptions& options, const char* lang) {
    QStringList arguments;
    for (size_t i = 0; i < options.settingArguments.size(); ++i) {
        if (options.settingArguments[i] == "--lang") {
            ++i;
            continue;
        }
        arguments << QString::fromStdString(options.settingArguments[i]);
    }
    arguments << "--lang" << lang;
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments))
        CHostLog::Instance().Diag("could not start the host again");
}

int g_SignalPipe[2] = {-1, -1};

void OnSignal(int) {
    char c = 1;
    ssize_t ignored = write(g_SignalPipe[1], &c, 1);
    (void)ignored;
}

// SIGINT and SIGTERM end the run through the normal shutdown, so the component is stopped.
void CatchSignals(const std::function<void()>& onSignal) {
    if (pipe2(g_SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_SignalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [onSignal] {
        char buf[16];
        while (read(g_SignalPipe[0], buf, sizeof(buf)) > 0) {
        }
        CHostLog::Instance().Diag("signal received, shutting down");
        onSignal();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool HaveDisplay() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

[[noreturn]] void ExitNow(int status) {
    std::fflush(stdout);
    CHostLog::Instance().Close();
    // The component's singletons live until the library is unloaded and own widgets inside
    // our window; their teardown cannot be ordered against Qt's, so the process ends here.
    _exit(status);
}

// The command line, the log, the language and the display: a status to exit with, or -1 to go
// on.
int PrepareRun(int argc, char** argv, CHostOptions& options) {
    std::string error;
    if (!options.Parse(argc, argv, error)) {
        if (options.help) {
            std::fputs(CHostOptions::Usage(), stdout);
            return HOST_EXIT_OK;
        }
        std::fprintf(stderr, "docshelf-host: %s\n%s", error.c_str(), CHostOptions::Usage());
        return HOST_EXIT_USAGE;
    }
    if (!CHostLog::Instance().Open(options.logFile)) {
        std::fprintf(stderr, "docshelf-host: cannot open log file %s\n", options.logFile.c_str());
        return HOST_EXIT_USAGE;
    }
    ApplyLanguage(options.lang);
    if (options.headless || options.version) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else if (!HaveDisplay()) {
        std::fprintf(stderr, "docshelf-host: no display for a window; use --headless\n");
        return HOST_EXIT_USAGE;
    }
    return -1;
}

void ShowWindow(CHostWindow& window, const CHostOptions& options) {
    window.setWindowTitle(WindowTitle(options));
    if (options.window.width > 0)
        window.setGeometry(options.window.x, options.window.y, options.window.width,
                           options.window.height);
    window.show();
    // The save directory is the host's to provide; the component only writes into it.
    if (!options.localDir.empty() &&
        !QDir().mkpath(QString::fromLocal8Bit(options.localDir.c_str())))
        CHostLog::Instance().Diag("cannot create the local directory %s", options.localDir.c_str());
}

// The library, with its log going to the host's.
bool LoadComponent(CComponentLoader& loader, const CHostOptions& options) {
    CHostLog& log = CHostLog::Instance();
    std::string error;
    const std::string libraryPath =
        options.library.empty() ? CComponentLoader::DefaultPath() : options.library;
    if (!loader.Load(libraryPath, error)) {
        log.Diag("%s", error.c_str());
        return false;
    }
    // A healthy run is quiet on standard error: the component's informational lines go to
    // the log file, or to standard error only with --verbose.
    const int32_t componentLevel =
        !options.logFile.empty() || options.verbose ? CORELOG_INFO : CORELOG_ERROR;
    if (!loader.SetLogSink(&CHostLog::CoreSink, &log, componentLevel))
        log.Diag("the component's log hook is missing; its log stays on standard error");
    return true;
}

// --version: the host's, then the component's as its IDocShelfInfo gives it.
int PrintVersion(const CHostOptions& options) {
    std::printf("docshelf-host %s (interface revision %u)\n", DOCSHELF_VERSION,
                DS_INTERFACE_REVISION);
    CComponentLoader loader;
    IMXCCItfMgr* pItfMgr = nullptr;
    if (!LoadComponent(loader, options) || loader.CreateComp("Default", &pItfMgr) != 0 ||
        pItfMgr == nullptr) {
        CHostLog::Instance().Diag("--version: the component could not be loaded");
        return HOST_EXIT_FAILED;
    }
    void* pItf = nullptr;
    pItfMgr->QueryItf("IDocShelfInfo", &pItf);
    auto* pInfo = static_cast<IDocShelfInfoItf*>(pItf);
    int status = HOST_EXIT_OK;
    if (pInfo == nullptr) {
        CHostLog::Instance().Diag("--version: the component has no IDocShelfInfo");
        status = HOST_EXIT_FAILED;
    } else {
        const uint32_t revision = pInfo->GetInterfaceRevision();
        std::printf("component %s (interface revision %u)\n", pInfo->GetVersion(), revision);
        if (revision < DS_INTERFACE_REVISION) {
            CHostLog::Instance().Diag("--version: the component is older than this host");
            status = HOST_EXIT_FAILED;
        }
    }
    loader.DestroyComp(pItfMgr);
    return status;
}

struct Component {
    IMXCCItfMgr* pItfMgr = nullptr;
    IDocShelfItf* pDocShelf = nullptr;
    IDocShelfPanelItf* pPanel = nullptr;         // null when the component has no such extension
    IDocShelfTransportItf* pTransport = nullptr; // likewise
    IDocShelfTransfersItf* pTransfers = nullptr; // asked for only with --cancel-after
};

// The extension --cancel-after needs; false, the reason said, when the component lacks it.
bool QueryTransfers(Component& comp, const CHostOptions& options) {
    if (options.cancelAfterSeconds <= 0)
        return true;
    void* pItf = nullptr;
    comp.pItfMgr->QueryItf("IDocShelfTransfers", &pItf);
    comp.pTransfers = static_cast<IDocShelfTransfersItf*>(pItf);
    if (comp.pTransfers == nullptr)
        CHostLog::Instance().Diag("--cancel-after: the component cannot cancel transfers (it has "
                                  "no IDocShelfTransfers)");
    return comp.pTransfers != nullptr;
}

// --auto-download-limit; false, the reason said, when the component cannot hold downloads.
bool ApplyAutoDownloadLimit(const Component& comp, const CHostOptions& options) {
    if (options.autoDownloadLimit == 0)
        return true;
    void* pItf = nullptr;
    comp.pItfMgr->QueryItf("IDocShelfAutoDownload", &pItf);
    auto* pAutoDownload = static_cast<IDocShelfAutoDownloadItf*>(pItf);
    if (pAutoDownload == nullptr) {
        CHostLog::Instance().Diag("--auto-download-limit: the component cannot hold automatic "
                                  "downloads (it has no IDocShelfAutoDownload)");
        return false;
    }
    pAutoDownload->SetRateLimit(options.autoDownloadLimit);
    return true;
}

// CreateComp, the interfaces and the server's security, in the order the component expects.
bool CreateComponent(CComponentLoader& loader, CHostItfMgr& hostItfMgr, Component& comp,
                     const CHostOptions& options) {
    CHostLog& log = CHostLog::Instance();
    if (loader.CreateComp("Default", &comp.pItfMgr) != 0 || !comp.pItfMgr) {
        log.Diag("CreateComp(\"Default\") failed");
        return false;
    }
    comp.pItfMgr->SetHostItfMgr(&hostItfMgr);
    void* pItf = nullptr;
    comp.pItfMgr->QueryItf("IDocShelf", &pItf);
    if (!pItf) {
        log.Diag("the component does not offer IDocShelf");
        loader.DestroyComp(comp.pItfMgr);
        return false;
    }
    comp.pDocShelf = static_cast<IDocShelfItf*>(pItf);
    void* pPanelItf = nullptr;
    comp.pItfMgr->QueryItf("IDocShelfPanel", &pPanelItf);
    comp.pPanel = static_cast<IDocShelfPanelItf*>(pPanelItf);
    void* pTransportItf = nullptr;
    comp.pItfMgr->QueryItf("IDocShelfTransport", &pTransportItf);
    comp.pTransport = static_cast<IDocShelfTransportItf*>(pTransportItf);
    // Before InitComp: the start-up check of the server already uses the security settings.
    if (!QueryTransfers(comp, options) || !ApplyServerSecurity(comp.pTransport, options) ||
        !ApplyAutoDownloadLimit(comp, options)) {
        loader.DestroyComp(comp.pItfMgr);
        return false;
    }
    return true;
}

// The panel in the window, then the settings, in the order a conferencing host gives them.
void StartComponent(const Component& comp, QWidget* pPanel, const CHostOptions& options) {
    IDocShelfItf* pDocShelf = comp.pDocShelf;
    comp.pItfMgr->InitComp(reinterpret_cast<HWND>(pPanel), 0);
    pDocShelf->SetLocalDirectory(options.localDir.c_str());
    pDocShelf->SetUserAuth(options.user.c_str(), options.password.c_str());
    pDocShelf->DSInit(options.host.c_str(), options.port, options.serverDir.c_str());
    pDocShelf->SetRights(options.rights);
    pDocShelf->SetSizeLimits(options.maxUpload, options.totalSpace);
    pDocShelf->SetUserRole(options.role);
    pDocShelf->SetAuthorName(options.author.c_str());
    if (options.autoDownload)
        pDocShelf->EnableAutoDownload();
}

// The window's menu commands and its close button.
void ConnectWindow(CHostWindow& window, IDocShelfItf* pDocShelf, const CHostOptions& options,
                   const std::function<void()>& shutDown) {
    window.SetCloseHandler(shutDown);
    window.SetCommands({
        [pDocShelf] { pDocShelf->RunUploadCommand(); },
        [pDocShelf] { pDocShelf->RunRefreshCommand(); },
        [pDocShelf] { pDocShelf->ClearTransferList(); },
        [pDocShelf] { pDocShelf->ClearLocalDSSpace(); },
        [&options, &window](const char* lang) {
            RestartInLanguage(options, lang);
            window.close();
        },
    });
}

// Once the actions have ended: a headless run ends, a window or --keep-open stays.
void AfterActions(const CHostOptions& options, int status, QApplication& app,
                  const std::function<void()>& shutDown) {
    if (options.headless && !options.keepOpen) {
        QTimer::singleShot(0, &app, shutDown);
    } else if (!options.actions.empty() || status != HOST_EXIT_OK) {
        CHostLog::Instance().Diag("actions done (exit status %d); %s", status,
                                  options.headless ? "staying until a signal"
                                                   : "close the window to quit");
    }
}

// Every container call also goes to the window's log of calls.
void ShowCallsIn(CHostWindow& window, CCallPrinter& printer) {
    printer.SetListener(
        [&window](const std::string& line) { window.PostLogLine(QString::fromLocal8Bit(line)); });
}

// Until the window closes or the actions end the run; with --probe-ui-latency, timed.
void RunEventLoop(QApplication& app, const CHostOptions& options) {
    CUiLatencyProbe probe(options.uiLatencyFile);
    if (!options.uiLatencyFile.empty())
        probe.Start();
    app.exec();
    if (!probe.Stop())
        CHostLog::Instance().Diag("cannot write %s", options.uiLatencyFile.c_str());
}

} // namespace

int main(int argc, char** argv) {
    mallopt(M_ARENA_MAX, kMallocArenas);
    CHostOptions options;
    if (const int status = PrepareRun(argc, argv, options); status >= 0)
        return status;
    qInstallMessageHandler(QtMessageSink);
    EnsureRuntimeDirectory();
    QApplication app(argc, argv);
    if (options.version)
        ExitNow(PrintVersion(options));
    CHostWindow window;
    ShowWindow(window, options);

    CComponentLoader loader;
    if (!LoadComponent(loader, options))
        ExitNow(HOST_EXIT_FAILED);
    CCallPrinter printer;
    ShowCallsIn(window, printer);
    CHostContainer container(printer);
    CHostItfMgr hostItfMgr(&container);
    Component comp;
    if (!CreateComponent(loader, hostItfMgr, comp, options))
        ExitNow(HOST_EXIT_FAILED);

    int exitStatus = HOST_EXIT_FAILED;
    bool destroyed = false;
    std::unique_ptr<CMeetingLink> meeting;
    auto shutDown = [&] {
        if (destroyed)
            return;
        destroyed = true;
        // Out of the meeting first: no message reaches a component being destroyed.
        if (meeting)
            meeting->Stop();
        loader.DestroyComp(comp.pItfMgr);
        app.quit();
    };
    CActionRunner runner(comp.pDocShelf, comp.pPanel, window.Panel(), options.actions,
                         options.timeoutSeconds, [&](int status) {
                             exitStatus = status;
                             AfterActions(options, status, app, shutDown);
                         });
    runner.SetTogether(options.together);
    runner.SetTransport(comp.pTransport);
    runner.SetCancelAfter(comp.pTransfers, options.cancelAfterSeconds);
    container.SetRunner(&runner);
    ConnectWindow(window, comp.pDocShelf, options, shutDown);
    CatchSignals(shutDown);
    StartComponent(comp, window.Panel(), options);

    if (!options.meetingUrl.empty()) {
        meeting = std::make_unique<CMeetingLink>(options.meeting, options.meetingPassword);
        JoinMeeting(*meeting, comp.pDocShelf, container, runner, window);
    }
    runner.Start();
    RunEventLoop(app, options);
    shutDown();
    ExitNow(exitStatus);
}
