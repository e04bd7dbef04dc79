// SPDX-License-Identifier: Apache-2.0
// Helpers of the ui tests: bounded waits, grabs with pixel probes, screenshots, records.
#pragma once

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <functional>
#include <thread>

#include "AfxTypes.h"
#include "CoreLib.h"

namespace uitest {

// Runs the event loop until the condition holds or the limit passes.
inline bool WaitFor(const std::function<bool()>& done, int limitMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

inline void Pump(int rounds = 5) {
    for (int i = 0; i < rounds; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

inline QImage Grab(QWidget* w) {
    return w->grab().toImage();
}

// Colour at a logical point of a grab, whatever the pixel ratio.
inline QColor Probe(const QImage& img, int x, int y) {
    const qreal dpr = img.devicePixelRatio();
    return img.pixelColor(static_cast<int>(x * dpr), static_cast<int>(y * dpr));
}

inline QColor FromColorRef(COLORREF c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

inline bool Near(const QColor& a, const QColor& b, int tol = 0) {
    return std::abs(a.red() - b.red()) <= tol && std::abs(a.green() - b.green()) <= tol &&
           std::abs(a.blue() - b.blue()) <= tol;
}

inline void SaveShot(const QImage& img, const QString& name) {
    QDir().mkpath(DOCSHELF_UI_SHOT_DIR);
    img.save(QString(DOCSHELF_UI_SHOT_DIR) + "/" + name + ".png");
}

// A record that counts its releases instead of freeing itself.
class CountingRecord final : public IDataRecord {
public:
    explicit CountingRecord(uint32_t method = 0) : m_method(method) {}
    int32_t AddRef() override { return ++m_refs; }
    int32_t Release() override {
        m_releaseThread = std::this_thread::get_id();
        ++m_releases;
        return --m_refs;
    }
    int32_t RemoveData(const char*) override { return 0; }
    void RemoveAll() override {}
    void SetMethod(uint32_t m) override { m_method = m; }
    uint32_t GetMethod() override { return m_method; }
    int32_t SetData(const char*, const void*, uint32_t) override { return 0; }
    void* GetDataPtr(const char*) override { return nullptr; }
    uint32_t GetDataSize(const char*) override { return 0; }
    int32_t GetData(const char*, void*, uint32_t) override { return 0; }
    int32_t HasData(const char*) override { return 0; }

    std::atomic<int> m_releases{0};
    std::atomic<int> m_refs{1};
    std::thread::id m_releaseThread;

private:
    uint32_t m_method;
};

} // namespace uitest
