// SPDX-License-Identifier: Apache-2.0
#include "TransferDetails.h"

#include <cmath>
#include <cstdio>

#include "DocShelfFileList.h"
#include "ListCells.h"
#include "LocalResource.h"
#include "ResourceIds.h"
#include "SizeText.h"

namespace {

// Reports closer than this are summed before they count, and each new second weighs this much.
constexpr auto kRateWindow = std::chrono::seconds(1);
constexpr double kRateWeight = 0.3;

bool IsRunning(const TransferItem& item) {
    return item.nState == TransferItem::kUploading || item.nState == TransferItem::kDownloading;
}

void AddLine(std::string& text, const std::string& line) {
    if (!text.empty()) {
        text += '\n';
    }
    text += line;
}

} // namespace

void CTransferRate::OnProgress(uint64_t ullCurrent, Clock::time_point now) {
    if (!m_bMarked || ullCurrent < m_ullMarkBytes) {
        m_Mark = now;
        m_ullMarkBytes = ullCurrent;
        m_bMarked = true;
        return;
    }
    const std::chrono::duration<double> elapsed = now - m_Mark;
    if (elapsed < kRateWindow) {
        return;
    }
    const double rate = static_cast<double>(ullCurrent - m_ullMarkBytes) / elapsed.count();
    m_dBytesPerSecond =
        m_dBytesPerSecond == 0 ? rate : m_dBytesPerSecond * (1 - kRateWeight) + rate * kRateWeight;
    m_Mark = now;
    m_ullMarkBytes = ullCurrent;
}

UINT FailureReasonId(uint32_t dwResult) {
    switch (dwResult) {
    case DS_RESULT_SUCCESS:
        return 0;
    case DS_RESULT_LOCAL_FILE_FAILED:
        return kIdsReasonLocalFile;
    case DS_RESULT_CANCELLED:
        return kIdsReasonCancelled;
    case DS_RESULT_SERVER_ERROR:
        return kIdsReasonRefused;
    case DS_RESULT_NO_ROOM:
        return kIdsReasonNoRoom;
    case DS_RESULT_NOT_FOUND:
        return kIdsReasonNotFound;
    default:
        return kIdsReasonConnectionLost;
    }
}

std::string DurationText(uint64_t ullSeconds) {
    char text[32];
    const uint64_t hours = ullSeconds / 3600;
    const unsigned minutes = static_cast<unsigned>(ullSeconds / 60 % 60);
    const unsigned seconds = static_cast<unsigned>(ullSeconds % 60);
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%llu:%02u:%02u", static_cast<unsigned long long>(hours),
                      minutes, seconds);
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", minutes, seconds);
    }
    return text;
}

std::string TransferDetails(const TransferItem& item) {
    if (item.bFailed) {
        return LoadLocalString(FailureReasonId(item.dwResult));
    }
    if (!IsRunning(item) || !item.bProgress) {
        return std::string();
    }
    std::string text;
    const std::string done = SpaceSizeText(item.ullCurrent);
    AddLine(text, item.bTotalKnown ? FormatOne(FormatOne(LoadLocalString(kIdsBytesOf), done),
                                               SpaceSizeText(item.ullTotal))
                                   : done);
    const double rate = item.Rate.BytesPerSecond();
    if (rate >= 1) {
        AddLine(text,
                FormatOne(LoadLocalString(kIdsSpeed), SpaceSizeText(static_cast<uint64_t>(rate))));
        if (item.bTotalKnown && item.ullTotal >= item.ullCurrent) {
            const double left =
                std::ceil(static_cast<double>(item.ullTotal - item.ullCurrent) / rate);
            AddLine(text, FormatOne(LoadLocalString(kIdsTimeLeft),
                                    DurationText(static_cast<uint64_t>(left))));
        }
    }
    return text;
}
