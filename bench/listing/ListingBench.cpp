// SPDX-License-Identifier: Apache-2.0
// The panel's listing of a large folder: from the listing request until the last row is in the
// list and the list has painted; then a sort by each column. Prints one "name value" line per
// figure. Usage: docshelf_bench_listing PORT ROWS USER PASSWORD [auto LOCAL_DIR]
// With "auto" the panel downloads new files by itself into LOCAL_DIR, and the figures are taken
// once the rows are shown, while nearly all of the downloads wait.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "AfxMsg.h"
#include "DSDirListCtrl.h"
#include "DocShelf.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "WebDavMgr.h"

namespace {

constexpr int kLimitMs = 600000;

// Runs the event loop until the list shows `rows` rows and no work is pending.
bool WaitForRows(CDSDirListCtrl* list, int rows) {
    QElapsedTimer t;
    t.start();
    // The loop sleeps between events as an application's does; the timer wakes it to look.
    QTimer wake;
    wake.start(2);
    int idle = 0;
    while (t.elapsed() < kLimitMs) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        idle = !GetWebDavMgr()->IsBusy() && list->GetItemCount() == rows ? idle + 1 : 0;
        if (idle >= 2)
            return true;
    }
    return false;
}

// What the process holds now (VmRSS), in KiB.
long ResidentKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    long kb = 0;
    char line[256];
    while (f != nullptr && std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "VmRSS: %ld", &kb) == 1)
            break;
    }
    if (f != nullptr)
        std::fclose(f);
    return kb;
}

// The downloads go on in the background; the script removes what they left.
int ReportWhileDownloadsWait(CDSDirListCtrl* list, int rows) {
    QElapsedTimer t;
    t.start();
    while (list != nullptr && list->GetItemCount() < rows && t.elapsed() < kLimitMs)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QApplication::processEvents();
    std::printf("rows %d\n", list != nullptr ? list->GetItemCount() : 0);
    std::printf("waiting %zu\n", GetDocShelfMgr()->GetView()->WaitingDownloads());
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_rss_kb %ld\n", usage.ru_maxrss);
    std::printf("rss_kb %ld\n", ResidentKb());
    std::fflush(stdout);
    _exit(0);
}

double SortMs(CDSDirListCtrl* list, QWidget* window, int column) {
    QElapsedTimer t;
    t.start();
    NMLISTVIEW nm;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iSubItem = column;
    ::SendMessage(list->GetSafeHwnd(), OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    window->grab();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5 || (argc > 5 && (argc != 7 || std::string(argv[5]) != "auto"))) {
        std::fprintf(stderr, "usage: %s PORT ROWS USER PASSWORD [auto LOCAL_DIR]\n", argv[0]);
        return 2;
    }
    const bool bAuto = argc == 7;
    const int port = std::atoi(argv[1]);
    const int rows = std::atoi(argv[2]);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QWidget window;
    window.resize(900, 700);
    window.show();

    char made[] = "/tmp/docshelf-bench-listing-XXXXXX";
    const char* local = bAuto ? argv[6] : ::mkdtemp(made);
    if (local == nullptr)
        return 1;
    IMXCCItfMgr* pItfMgr = nullptr;
    CreateComp("Default", &pItfMgr);
    void* pItf = nullptr;
    pItfMgr->QueryItf("IDocShelf", &pItf);
    auto* shelf = static_cast<IDocShelfItf*>(pItf);
    pItfMgr->InitComp(reinterpret_cast<HWND>(&window), 0);
    shelf->SetLocalDirectory(local);
    shelf->SetUserAuth(argv[3], argv[4]);
    shelf->SetRights(0xF);
    if (bAuto)
        shelf->EnableAutoDownload();
    shelf->DSInit("127.0.0.1", port, "/dav/room/");
    CDSDirListCtrl* list = GetDocShelfMgr()->GetDirListCtrl();
    if (bAuto)
        return ReportWhileDownloadsWait(list, rows);
    if (list == nullptr || !WaitForRows(list, rows)) {
        std::fprintf(stderr, "bench: the first listing did not show %d rows\n", rows);
        return 1;
    }

    // The measured listing: the panel's refresh of its folder.
    QElapsedTimer t;
    t.start();
    shelf->RefreshRoot();
    QApplication::processEvents();
    if (!WaitForRows(list, rows)) {
        std::fprintf(stderr, "bench: the listing did not show %d rows\n", rows);
        return 1;
    }
    window.grab();
    std::printf("listing_ms %.1f\n", static_cast<double>(t.nsecsElapsed()) / 1e6);
    std::printf("rows %d\n", list->GetItemCount());
    for (int column = 0; column < 3; ++column)
        std::printf("sort%d_ms %.1f\n", column, SortMs(list, &window, column));
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_rss_kb %ld\n", usage.ru_maxrss);
    std::printf("rss_kb %ld\n", ResidentKb());
    std::fflush(stdout);
    pItfMgr->ReleaseComp();
    DestroyComp(pItfMgr);
    ::rmdir(local);
    _exit(0);
}
