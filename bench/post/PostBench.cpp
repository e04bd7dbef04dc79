// SPDX-License-Identifier: Apache-2.0
// Posts progress records from a worker thread to a window; the window procedure updates a
// cell of a 10,000-row list for each, as transfer progress does. Prints the end-to-end rate
// and the time to repaint the list afterwards. Runs offscreen; never part of the tests.
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "AfxListCtrl.h"
#include "AfxMsg.h"
#include "AfxWnd.h"
#include "CoreLib.h"

namespace {

constexpr UINT kProgressMsg = WM_USER + 100;
constexpr int kRows = 10000;

// The smallest record that carries a row and a percentage, freed by its last release.
class ProgressRecord final : public IDataRecord {
public:
    ProgressRecord(int row, int percent) : m_row(row), m_percent(percent) {}
    int32_t AddRef() override { return ++m_refs; }
    int32_t Release() override {
        int32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    int32_t RemoveData(const char*) override { return 0; }
    void RemoveAll() override {}
    void SetMethod(uint32_t) override {}
    uint32_t GetMethod() override { return 3; }
    int32_t SetData(const char*, const void*, uint32_t) override { return 0; }
    void* GetDataPtr(const char*) override { return nullptr; }
    uint32_t GetDataSize(const char*) override { return 0; }
    int32_t GetData(const char*, void*, uint32_t) override { return 0; }
    int32_t HasData(const char*) override { return 0; }
    int m_row;
    int m_percent;

private:
    ~ProgressRecord() = default;
    std::atomic<int32_t> m_refs{1};
};

class BenchWnd : public CWnd {
public:
    CListCtrl list;
    std::atomic<long> handled{0};

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kProgressMsg)
            return CWnd::WindowProc(message, wParam, lParam);
        auto* record = reinterpret_cast<ProgressRecord*>(wParam);
        char text[16];
        std::snprintf(text, sizeof(text), "%d%%", record->m_percent);
        list.SetItemText(record->m_row, 2, text);
        record->Release();
        handled.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    afx::RegisterPostedMessageDisposer(
        kProgressMsg, [](WPARAM w, LPARAM) { reinterpret_cast<ProgressRecord*>(w)->Release(); });

    QWidget host;
    host.resize(640, 480);
    host.show();
    BenchWnd wnd;
    wnd.SubclassWindow(reinterpret_cast<HWND>(&host));
    wnd.list.Create(0x50800005, RECT{0, 0, 640, 480}, &wnd, 0);
    wnd.list.InsertColumn(0, "File name", LVCFMT_LEFT, 300);
    wnd.list.InsertColumn(1, "Size", LVCFMT_LEFT, 100);
    wnd.list.InsertColumn(2, "Progress", LVCFMT_LEFT, 100);
    for (int i = 0; i < kRows; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "file%05d.bin", i);
        wnd.list.InsertItem(i, name);
        wnd.list.SetItemText(i, 1, "1.00 GB");
    }
    QApplication::processEvents();

    const HWND target = wnd.GetSafeHwnd();
    QElapsedTimer timer;
    timer.start();
    std::thread worker([&] {
        for (long i = 0; i < count; ++i) {
            auto* record =
                new ProgressRecord(static_cast<int>(i % kRows), static_cast<int>(i % 101));
            if (!PostMessage(target, kProgressMsg, reinterpret_cast<WPARAM>(record), 0))
                record->Release();
        }
    });
    while (wnd.handled.load(std::memory_order_relaxed) < count)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const qint64 floodNs = timer.nsecsElapsed();
    worker.join();

    // The repaint the flood left behind, then a full one of the list.
    timer.restart();
    QApplication::processEvents();
    const qint64 pendingNs = timer.nsecsElapsed();
    timer.restart();
    wnd.list.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    const qint64 repaintNs = timer.nsecsElapsed();

    const double seconds = static_cast<double>(floodNs) / 1e9;
    std::printf("records posted and handled: %ld in %.3f s = %.0f records/s (target >= 500000)\n",
                count, seconds, static_cast<double>(count) / seconds);
    std::printf("pending repaint after the flood: %.2f ms\n", static_cast<double>(pendingNs) / 1e6);
    std::printf("full repaint of the %d-row list: %.2f ms (target < 50)\n", kRows,
                static_cast<double>(repaintNs) / 1e6);
    std::printf("last cell: %s\n",
                wnd.list.GetItemText(static_cast<int>((count - 1) % kRows), 2).c_str());
    wnd.list.DestroyWindow();
    wnd.UnsubclassWindow();
    return 0;
}
