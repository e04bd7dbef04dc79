// SPDX-License-Identifier: Apache-2.0
// The pace of the panel's automatic downloads, so that files arriving by themselves leave room
// for the meeting's call on a slow link: obtained by the name "IDocShelfAutoDownload" from the
// component's interface manager.
#pragma once

#include <cstdint>

class IDocShelfAutoDownloadItf {
public:
    // Holds all automatic downloads together (the new files of the presenter folder the panel
    // fetches by itself) to at most ullBytesPerSecond; 0, the default, holds none. A rate below
    // DS_AUTO_DOWNLOAD_MIN_RATE is taken as that rate. Downloads a person or the host asked for,
    // and the chat filter file, are never held. Any thread; takes effect with the next block a
    // download receives.
    virtual void SetRateLimit(uint64_t ullBytesPerSecond) = 0;
    // The rate set, 0 when none.
    virtual uint64_t GetRateLimit() = 0;

protected:
    ~IDocShelfAutoDownloadItf() = default;
};

// The slowest rate the limit holds to: slower, a download would look stalled.
inline constexpr uint64_t DS_AUTO_DOWNLOAD_MIN_RATE = 16 * 1024;
