// SPDX-License-Identifier: Apache-2.0
// What a transfer row tells beyond its cells, in the tooltip and to a screen reader: bytes done
// of the total, speed and time left while it runs, and why it failed, in words.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "AfxTypes.h"

struct TransferItem;

// The rate a transfer runs at, from its progress reports.
class CTransferRate {
public:
    using Clock = std::chrono::steady_clock;

    void OnProgress(uint64_t ullCurrent, Clock::time_point now);
    // Bytes a second; 0 until a second of reports was seen.
    double BytesPerSecond() const { return m_dBytesPerSecond; }

private:
    Clock::time_point m_Mark{};
    uint64_t m_ullMarkBytes = 0;
    bool m_bMarked = false;
    double m_dBytesPerSecond = 0;
};

// The string id of why a transfer ended with this result; 0 for success.
UINT FailureReasonId(uint32_t dwResult);

// "0:42", "12:05", "1:02:03".
std::string DurationText(uint64_t ullSeconds);

// The lines of a row's details: while it runs "1.00 MB of 4.00 MB", "512.00 KB/s", "0:06
// left" (each only when known); for a failed or cancelled row its reason; otherwise empty.
std::string TransferDetails(const TransferItem& item);
