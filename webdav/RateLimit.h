// SPDX-License-Identifier: Apache-2.0
// A rate that several transfers share (a token bucket): each block a held download receives
// takes its bytes from the bucket, and waits while the bucket is empty. The wait happens inside
// neon's body reader, so the socket is not read and TCP slows the server down. A wait ends at
// once for a transfer that is cancelled or shut down. Any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

class CRateLimit {
public:
    // 0: no limit.
    void SetRate(uint64_t bytesPerSecond);
    uint64_t Rate();
    // Waits until bytes may pass; false when stopped() turned true meanwhile.
    bool Take(size_t bytes, const std::function<bool()>& stopped);

private:
    using Clock = std::chrono::steady_clock;
    // What may pass at once after a quiet moment: a fraction of a second at the rate.
    static constexpr double kBurstSeconds = 0.1;
    static constexpr auto kWaitSlice = std::chrono::milliseconds(50);

    std::mutex m_Lock;
    uint64_t m_nRate = 0;
    double m_Tokens = 0;
    Clock::time_point m_Filled;
};

// The limit of the panel's automatic downloads.
CRateLimit& AutoDownloadRate();
