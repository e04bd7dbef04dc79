// SPDX-License-Identifier: Apache-2.0
/**
 * @file IDocShelfAutoDownloadItf.h
 * @brief The pace of the panel's automatic downloads, so that files arriving by themselves
 * leave room for the meeting's call on a slow link: obtained by the name
 * "IDocShelfAutoDownload" from the component's interface manager.
 */
#pragma once

#include <cstdint>

/**
 * @brief The rate limit of the automatic downloads (IDocShelfItf::EnableAutoDownload).
 *
 * Obtained by the name "IDocShelfAutoDownload" from IMXCCItfMgr::QueryItf, as
 * `IDocShelfAutoDownloadItf*` converted to `void*`. One object per process, owned by the
 * component, valid from CreateComp until DestroyComp. Any thread.
 */
class IDocShelfAutoDownloadItf {
public:
    /**
     * @brief Holds all automatic downloads together to at most a rate.
     *
     * Only the new files of the presenter folder that the panel fetches by itself are held;
     * downloads a person or the host asked for, and the chat filter file, never are. Takes
     * effect with the next block a download receives; a cancel or DestroyComp ends a wait at
     * once. Kept across DestroyComp. Any thread.
     * @param ullBytesPerSecond the rate in bytes per second; 0, the default, holds none. A
     *        rate below DS_AUTO_DOWNLOAD_MIN_RATE is taken as that rate.
     */
    virtual void SetRateLimit(uint64_t ullBytesPerSecond) = 0;
    /**
     * @brief The rate in force. Any thread.
     * @return 0 when none is set; else the rate set, raised to DS_AUTO_DOWNLOAD_MIN_RATE.
     */
    virtual uint64_t GetRateLimit() = 0;

protected:
    /** @brief Not deleted through this interface: the object is the component's. */
    ~IDocShelfAutoDownloadItf() = default;
};

/**
 * @brief The slowest rate the limit holds to, 16 KiB/s, in bytes per second: slower, a
 * download would look stalled.
 */
inline constexpr uint64_t DS_AUTO_DOWNLOAD_MIN_RATE = 16 * 1024;
