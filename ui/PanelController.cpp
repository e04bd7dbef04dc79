// SPDX-License-Identifier: Apache-2.0
#include "PanelController.h"

#include <algorithm>
#include <sys/stat.h>

#include "DSItemInfo.h"
#include "DSProtocol.h"
#include "DocShelfView.h"
#include "DownloadLog.h"
#include "ListCells.h"
#include "LocalResource.h"
#include "PanelPort.h"
#include "PanelTransfer.h"
#include "PathCodec.h"
#include "ResourceIds.h"
#include "SizeText.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

constexpr int kRetryMaxLevel = 3;
// Failures closer together than this share one server check.
constexpr auto kCheckNowPause = std::chrono::seconds(2);
// A server that cuts every connection is not asked for the same file for ever.
constexpr int kAutoDownloadRetries = 5;

// "%s ... %s" filled in order; the texts are never used as a format.
std::string FormatTwo(const std::string& format, const std::string& a, const std::string& b) {
    std::string out = FormatOne(format, a);
    size_t first = format.find("%s");
    size_t pos = first == std::string::npos ? std::string::npos : out.find("%s", first + a.size());
    if (pos != std::string::npos) {
        out.replace(pos, 2, b);
    }
    return out;
}

bool LocalSize(const std::string& path, uint64_t& size) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

} // namespace

CPanelController::CPanelController()
    : m_nStatusId(kIdsConnecting), m_AutoDownloads([this](const CAutoDownloads::File& file) {
          return StartAutoDownload(file);
      }) {}

void CPanelController::ListRoot(const std::string& rootFolder, uint32_t dwItem) {
    CWebDavMgr* pWebDav = GetWebDavMgr();
    if (m_bRootRead) {
        pWebDav->ListDirectory(rootFolder.c_str(), dwItem, 2, ds::key::InternalUserData);
    } else if (!pWebDav->GetServerDir().empty()) {
        pWebDav->ListOrMakeDirectory(rootFolder.c_str(), dwItem);
    }
}

// ---- Status ---------------------------------------------------------------------------------

std::string CPanelController::GetStatusText() const {
    UINT id;
    std::string used, free;
    {
        std::lock_guard<std::mutex> lock(m_StatusLock);
        id = m_nStatusId;
        used = m_StatusUsed;
        free = m_StatusFree;
    }
    std::string text = LoadLocalString(id);
    return id == kIdsSpace ? FormatTwo(text, used, free) : text;
}

void CPanelController::SetStatus(UINT nStringId, const std::string& used, const std::string& free) {
    {
        std::lock_guard<std::mutex> lock(m_StatusLock);
        m_nStatusId = nStringId;
        m_StatusUsed = used;
        m_StatusFree = free;
    }
    if (m_pView != nullptr) {
        m_pView->InvalidateHeader();
    }
}

void CPanelController::OnServerAvailable(bool bAvailable) {
    if (!bAvailable) {
        SetStatus(kIdsConnectFailed);
    }
}

void CPanelController::OnListingFinished(bool bRead, uint64_t usedSpace, bool bNoAnswer) {
    m_bRootRead = m_bRootRead || bRead;
    if (bNoAnswer) {
        CheckServerNow();
    }
    // A folder that could not be read is not an empty one: no space is shown for it.
    if (!bRead) {
        SetStatus(kIdsListingFailed);
        return;
    }
    const uint64_t total = GetPanelPort()->GetTotalSpace();
    const uint64_t free = total >= usedSpace ? total - usedSpace : 0;
    SetStatus(kIdsSpace, SpaceSizeText(usedSpace), SpaceSizeText(free));
}

// ---- Server checks --------------------------------------------------------------------------

void CPanelController::OnRetryTick() {
    if (GetWebDavMgr()->IsServerAvailable()) {
        return;
    }
    if (++m_nRetryTicks == (1 << m_nRetryLevel)) {
        m_nRetryTicks = 0;
        m_nRetryLevel = std::min(m_nRetryLevel + 1, kRetryMaxLevel);
        GetWebDavMgr()->CheckServer(1);
    }
}

void CPanelController::CheckServerNow(bool bRelist) {
    auto& last = bRelist ? m_LastRelistCheck : m_LastCheckNow;
    const auto now = std::chrono::steady_clock::now();
    if (last != std::chrono::steady_clock::time_point{} && now - last < kCheckNowPause) {
        return;
    }
    last = now;
    ResetRetry();
    // Availability only unless asked: a server that answers the check but not the listing
    // must not be listed again and again; the retry timer lists once it is back.
    GetWebDavMgr()->CheckServer(bRelist ? 1 : 0);
}

void CPanelController::ResetRetry() {
    m_nRetryTicks = 0;
    m_nRetryLevel = 0;
}

// ---- Automatic downloads and the meeting ----------------------------------------------------

void CPanelController::OnFileListed(const DSItemInfo& entry) {
    if (!GetPanelPort()->IsAutoDownload()) {
        return;
    }
    const std::string remote = entry.RemotePath();
    const std::string dir = GetPanelPort()->GetLocalDirectory();
    const uint64_t key = KeyOf(remote);
    // Taken once per version: a file uploaded again under its name comes again.
    const auto taken = m_AutoDownloaded.find(key);
    const bool bNewVersion =
        taken != m_AutoDownloaded.end() && entry.ullTag != 0 && taken->second != entry.ullTag;
    if (dir.empty() || (taken != m_AutoDownloaded.end() && !bNewVersion) ||
        !MayDownloadAutomatically(entry.strFileName, entry.ullFileLength, entry.bLengthKnown,
                                  dir + entry.strFileName, bNewVersion)) {
        return;
    }
    m_AutoDownloaded[key] = entry.ullTag;
    if (!m_AutoDownloads.Add({remote, entry.ullFileLength, entry.bLengthKnown, bNewVersion})) {
        m_AutoDownloaded.erase(key); // a later listing tries again
    }
    if (m_pView != nullptr && m_AutoDownloads.Waiting() != 0) {
        m_pView->Invalidate(FALSE);
    }
}

void CPanelController::OnTransferEnded(uint32_t taskId, uint32_t result) {
    const size_t waiting = m_AutoDownloads.Waiting();
    const std::string automatic = m_AutoDownloads.OnEnded(taskId);
    if (!automatic.empty() && result == DS_RESULT_SUCCESS) {
        m_AutoRetries.erase(KeyOf(automatic));
    }
    if (result == DS_RESULT_REQUEST_FAILED) {
        // A server lost behind a balancer leaves others that answer: the next listing, once
        // one does, takes the file up where it was cut.
        CheckServerNow(!automatic.empty() && MayRetryAutoDownload(automatic));
    }
    if (m_pView != nullptr && waiting != m_AutoDownloads.Waiting()) {
        m_pView->Invalidate(FALSE);
    }
}

bool CPanelController::MayRetryAutoDownload(const std::string& remote) {
    const uint64_t key = KeyOf(remote);
    if (++m_AutoRetries[key] > kAutoDownloadRetries) {
        return false;
    }
    m_AutoDownloaded.erase(key);
    return true;
}

uint64_t CPanelController::KeyOf(const std::string& remote) {
    return std::hash<std::string>{}(remote);
}

// What held when the file was listed is checked again when its turn comes.
uint32_t CPanelController::StartAutoDownload(const CAutoDownloads::File& file) {
    const std::string dir = GetPanelPort()->GetLocalDirectory();
    const std::string name = file.remote.substr(file.remote.find_last_of('/') + 1);
    const std::string local = dir + name;
    uint32_t taskId = 0;
    if (!dir.empty() &&
        MayDownloadAutomatically(name, file.ullSize, file.bLengthKnown, local, file.bNewVersion)) {
        taskId =
            StartPanelTransfer(m_pFileList, PanelTransfer{false, file.remote, local, file.ullSize,
                                                          false, file.bLengthKnown, true});
    }
    if (taskId == 0) {
        m_AutoDownloaded.erase(KeyOf(file.remote)); // a later listing tries again
    }
    return taskId;
}

// Never overwrites what is not the component's own, nor fetches what is already here.
bool CPanelController::MayDownloadAutomatically(const std::string& name, uint64_t ullLength,
                                                bool bLengthKnown, const std::string& local,
                                                bool bNewVersion) const {
    if (IsUnsafeLocalName(name)) {
        return false;
    }
    uint64_t size = 0;
    if (!LocalSize(local, size)) {
        return true;
    }
    // Of an unknown length nothing says the local copy differs, unless it is an older version.
    if (!bNewVersion && (!bLengthKnown || size == ullLength)) {
        return false;
    }
    if (!CDownloadLog::MayReplace(GetPanelPort()->GetLocalDirectory(), name)) {
        TraceInfo("dshelf - CDSDirListCtrl::AutoDownload(); %s is not the component's own, "
                  "left alone",
                  local.c_str());
        return false;
    }
    return true;
}

void CPanelController::RelayHostMessage(std::unique_ptr<std::string> pText) {
    if (pText == nullptr) {
        return;
    }
    if (IDocShelfContainerItf* pHost = GetPanelPort()->GetHostContainer()) {
        pHost->BroadcastMessage(pText->c_str());
    }
}
