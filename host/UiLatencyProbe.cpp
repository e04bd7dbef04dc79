// SPDX-License-Identifier: Apache-2.0
#include "UiLatencyProbe.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr auto kInterval = std::chrono::milliseconds(5);
// A stop is noticed this fast even while an answer is overdue.
constexpr auto kStopCheck = std::chrono::milliseconds(100);

double Percentile(const std::vector<int64_t>& sorted, double p) {
    if (sorted.empty())
        return 0;
    size_t i = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return static_cast<double>(sorted[std::min(i, sorted.size() - 1)]) / 1000.0;
}

} // namespace

void CUiLatencyProbe::Start() {
    if (m_Thread.joinable())
        return;
    m_bStopping = false;
    m_Thread = std::thread(&CUiLatencyProbe::Loop, this);
}

bool CUiLatencyProbe::Stop() {
    if (!m_Thread.joinable())
        return true;
    m_bStopping = true;
    m_pAnswers->answered.notify_all();
    m_Thread.join();
    return WriteFigures();
}

void CUiLatencyProbe::Loop() {
    while (!m_bStopping.load()) {
        int64_t us = RoundTrip();
        if (us >= 0)
            m_Samples.push_back(us);
        std::this_thread::sleep_for(kInterval);
    }
}

int64_t CUiLatencyProbe::RoundTrip() {
    std::shared_ptr<Answers> answers = m_pAnswers;
    uint64_t expected;
    {
        std::lock_guard<std::mutex> lock(answers->lock);
        expected = answers->count + 1;
    }
    const auto start = std::chrono::steady_clock::now();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [answers] {
            std::lock_guard<std::mutex> lock(answers->lock);
            ++answers->count;
            answers->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(answers->lock);
    while (answers->count < expected) {
        if (m_bStopping.load())
            return -1;
        answers->answered.wait_for(lock, kStopCheck);
    }
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

bool CUiLatencyProbe::WriteFigures() const {
    std::vector<int64_t> sorted = m_Samples;
    std::sort(sorted.begin(), sorted.end());
    FILE* f = std::fopen(m_File.c_str(), "w");
    if (f == nullptr)
        return false;
    std::fprintf(f, "samples=%zu p50_ms=%.3f p99_ms=%.3f max_ms=%.3f\n", sorted.size(),
                 Percentile(sorted, 0.50), Percentile(sorted, 0.99),
                 sorted.empty() ? 0.0 : static_cast<double>(sorted.back()) / 1000.0);
    return std::fclose(f) == 0;
}
