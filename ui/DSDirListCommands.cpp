// SPDX-License-Identifier: Apache-2.0
// The directory list's commands: context menus, the row buttons, delete, download, download
// to, upload (chosen or dropped) and refresh.
#include <algorithm>
#include <sys/stat.h>

#include "AfxFile.h"
#include "AfxMenu.h"
#include "AfxPrompt.h"
#include "CoreLib.h"
#include "DSDirListCtrl.h"
#include "DSProtocol.h"
#include "DocShelfFileList.h"
#include "InvisibleText.h"
#include "ListCells.h"
#include "LocalResource.h"
#include "PanelPort.h"
#include "PanelTransfer.h"
#include "ResourceIds.h"
#include "SizeText.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

constexpr const char* kFile = "DSDirListCtrl";

bool Ask(const std::string& text) {
    return GetPanelPort()->ShowMessage(text.c_str(), MB_YESNO) == IDYES;
}

void Tell(const std::string& text) {
    GetPanelPort()->ShowMessage(text.c_str(), MB_OK);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

// ---- Menus and buttons ----------------------------------------------------------------------

void CDSDirListCtrl::OnRowContextMenu(int row, POINT pt) {
    const DSItemInfo* pInfo = GetEntry(row);
    DS_CHECK_RETURN(pInfo != nullptr, kFile, 477, "pInfo");
    // Popups 0, 1 and 2 are for File, UserDir and SystemDir.
    const int popup = static_cast<int>(pInfo->nType) - static_cast<int>(DSItemType::File);
    DS_CHECK_RETURN(popup >= 0 && popup <= 2, kFile, 498, "pPopup != NULL");
    TrackListPopup(this, popup, pt, {kCmdNewFolder});
}

void CDSDirListCtrl::OnCellClick(int row, POINT pt) {
    IPanelPort* pShelf = GetPanelPort();
    // The row's Download button asks where to save.
    if (pShelf->CanDownload() && HasDownloadButton(row) &&
        PointIn(ButtonArea(row, kColDownload), pt)) {
        OnDownloadTo();
    }
    if (pShelf->CanDelete() && PointIn(ButtonArea(row, kColDelete), pt)) {
        OnDelete();
    }
}

bool CDSDirListCtrl::OnUpdateCommandUI(CCmdUI* pCmdUI) {
    IPanelPort* pShelf = GetPanelPort();
    switch (pCmdUI->m_nID) {
    case kCmdDownload:
    case kCmdDownloadTo:
        pCmdUI->Enable(pShelf->CanDownload());
        return true;
    case kCmdDelete:
        pCmdUI->Enable(pShelf->CanDelete());
        return true;
    case kCmdNewFolder:
        pCmdUI->Enable(pShelf->CanUpload());
        return true;
    case kCmdUpload:
        pCmdUI->Enable(AcceptsUploads());
        return true;
    case kCmdDeleteFolder:
        pCmdUI->Enable(TRUE);
        return true;
    case kCmdRefresh:
        pCmdUI->Enable(pShelf->CanList());
        return true;
    default:
        return CListCtrl::OnUpdateCommandUI(pCmdUI);
    }
}

bool CDSDirListCtrl::OnCommand(UINT nID) {
    switch (nID) {
    case kCmdDownload:
        OnDownload();
        return true;
    case kCmdDownloadTo:
        OnDownloadTo();
        return true;
    case kCmdDelete:
        OnDelete();
        return true;
    case kCmdUpload:
        OnUploadFile();
        return true;
    case kCmdRefresh:
        OnRefreshFolder();
        return true;
    case kCmdNewFolder:
    case kCmdDeleteFolder:
        return true; // inert, as they always were
    default:
        return false;
    }
}

bool CDSDirListCtrl::RunCommand(UINT nID) {
    CCmdUI state;
    state.m_nID = nID;
    if (!OnUpdateCommandUI(&state) || !state.m_bEnabled) {
        return false;
    }
    return OnCommand(nID);
}

const DSItemInfo* CDSDirListCtrl::SelectedEntry() const {
    const int row = GetNextItem(-1, LVNI_SELECTED);
    return row < 0 ? nullptr : GetEntry(row);
}

// Copies: a question runs the event loop, and a listing arriving meanwhile frees the rows.
std::vector<DSItemInfo> CDSDirListCtrl::SelectedFiles() const {
    std::vector<DSItemInfo> files;
    for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = GetNextItem(row, LVNI_SELECTED)) {
        const DSItemInfo* pInfo = GetEntry(row);
        if (pInfo != nullptr && pInfo->IsFile()) {
            files.push_back(*pInfo);
        }
    }
    return files;
}

// ---- Delete and download --------------------------------------------------------------------

void CDSDirListCtrl::OnDelete() {
    const std::vector<DSItemInfo> files = SelectedFiles();
    if (files.empty()) {
        return;
    }
    const std::string question =
        files.size() == 1
            ? FormatOne(LoadLocalString(kIdsConfirmDelete), ds::ShowInvisible(files[0].strFileName))
            : FormatOne(LoadLocalString(kIdsConfirmDeleteMany), std::to_string(files.size()));
    if (!Ask(question)) {
        return;
    }
    for (const DSItemInfo& file : files) {
        GetWebDavMgr()->DeleteFile(file.RemotePath().c_str(), kRootItem);
    }
}

void CDSDirListCtrl::OnDownload() {
    const std::vector<DSItemInfo> files = SelectedFiles();
    if (files.empty()) {
        return;
    }
    const std::string dir = GetPanelPort()->GetLocalDirectory();
    if (dir.empty()) {
        Tell(LoadLocalString(kIdsNoLocalDirectory));
        return;
    }
    std::vector<Target> targets;
    for (const DSItemInfo& file : files) {
        if (!IsUnsafeLocalName(file.strFileName)) { // else no place to put it
            targets.push_back({file, dir + file.strFileName});
        }
    }
    StartDownloads(targets);
}

// One file is saved where the person says; several go into a folder chosen once.
void CDSDirListCtrl::OnDownloadTo() {
    const std::vector<DSItemInfo> files = SelectedFiles();
    if (files.empty()) {
        return;
    }
    if (files.size() == 1) {
        const DSItemInfo& entry = files.front();
        CFileDialog dialog(FALSE, entry.strExtName.c_str(), entry.strFileName.c_str(),
                           OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        if (dialog.DoModal() != IDOK) {
            Invalidate(TRUE);
            return;
        }
        StartDownloads({{entry, dialog.GetPathName()}});
        return;
    }
    CFolderPickerDialog dialog;
    if (dialog.DoModal() != IDOK) {
        Invalidate(TRUE);
        return;
    }
    std::string folder = dialog.GetPathName();
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    std::vector<Target> targets;
    for (const DSItemInfo& file : files) {
        if (!IsUnsafeLocalName(file.strFileName)) {
            targets.push_back({file, folder + file.strFileName});
        }
    }
    StartDownloads(targets);
}

// Steps shared by Download and Download to: a file already on its way is not asked for again,
// and one question covers every target that exists.
void CDSDirListCtrl::StartDownloads(std::vector<Target> targets) {
    const auto busy = std::remove_if(targets.begin(), targets.end(), [this](const Target& t) {
        return IsBeingDownloaded(t.entry.RemotePath());
    });
    if (busy != targets.end()) {
        Tell(LoadLocalString(kIdsAlreadyDownloading));
        targets.erase(busy, targets.end());
    }
    const auto count = std::count_if(targets.begin(), targets.end(),
                                     [](const Target& t) { return Exists(t.local); });
    if (count > 0) {
        const std::string question =
            targets.size() == 1
                ? LoadLocalString(kIdsOverwrite)
                : FormatOne(LoadLocalString(kIdsOverwriteMany), std::to_string(count));
        if (!Ask(question)) {
            targets.erase(std::remove_if(targets.begin(), targets.end(),
                                         [](const Target& t) { return Exists(t.local); }),
                          targets.end());
        }
    }
    // A task is made only when a row can show it and it will be started.
    if (m_pFileList == nullptr) {
        return;
    }
    for (const Target& t : targets) {
        StartPanelTransfer(m_pFileList,
                           PanelTransfer{false, t.entry.RemotePath(), t.local,
                                         t.entry.ullFileLength, true, t.entry.bLengthKnown});
    }
}

bool CDSDirListCtrl::IsBeingDownloaded(const std::string& remote) const {
    if (m_pFileList == nullptr) {
        return false;
    }
    const TransferItem* pItem = m_pFileList->FindTransfer(remote);
    return pItem != nullptr && (pItem->nState == TransferItem::kDownloadWaiting ||
                                pItem->nState == TransferItem::kDownloading);
}

// Enter downloads the selected files, as a double click does one; Delete deletes them.
void CDSDirListCtrl::OnRowsActivated() {
    RunCommand(kCmdDownload);
}

void CDSDirListCtrl::OnListKey(UINT nKey) {
    if (nKey == VK_DELETE) {
        RunCommand(kCmdDelete);
    }
}

bool CDSDirListCtrl::OnRowDoubleClick() {
    const DSItemInfo* pInfo = SelectedEntry();
    if (pInfo == nullptr || !pInfo->IsFile()) {
        return false;
    }
    RunCommand(kCmdDownload);
    return true;
}

// ---- Upload and refresh ---------------------------------------------------------------------

void CDSDirListCtrl::OnUploadFile() {
    TraceInfo("dshelf - CDSDirListCtrl::OnUploadFile()");
    if (!RoomBeforeUpload()) {
        return;
    }
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    UploadChosenFile(dialog.GetPathName());
}

bool CDSDirListCtrl::AcceptsUploads() const {
    return GetWebDavMgr()->IsServerAvailable() == 1 && GetPanelPort()->CanUpload();
}

void CDSDirListCtrl::UploadFiles(const std::vector<std::string>& paths) {
    TraceInfo("dshelf - CDSDirListCtrl::UploadFiles() %zu dropped", paths.size());
    bool bFolderTold = false;
    for (const std::string& local : paths) {
        // A question runs the event loop: the right or the server may be gone meanwhile.
        if (!AcceptsUploads()) {
            return;
        }
        if (IsFolder(local)) {
            if (!bFolderTold) {
                Tell(LoadLocalString(kIdsNoFolderUpload));
            }
            bFolderTold = true;
            continue;
        }
        if (!RoomBeforeUpload()) {
            return; // the same for every file after it
        }
        UploadChosenFile(local);
    }
}

bool CDSDirListCtrl::RoomBeforeUpload() {
    if (GetUsedSpace() > GetPanelPort()->GetTotalSpace()) {
        TraceInfo("dshelf - CDSTreeCtrl::OnUploadFile() 资料书架会议存储空间已满......");
        Tell(LoadLocalString(kIdsNoSpaceBefore));
        return false;
    }
    return true;
}

// Uploads always go into the root's folder, whatever row was chosen or dropped on.
void CDSDirListCtrl::UploadChosenFile(const std::string& local) {
    if (m_pRoot == nullptr) {
        return;
    }
    const std::string name = local.substr(local.find_last_of('/') + 1);
    uint64_t length = 0;
    if (!UploadChecksPass(local, name, length)) {
        return;
    }
    StartUpload(local, m_pRoot->RemotePath() + name, length);
}

// The checks after the file was chosen, in their order; false when one stopped the upload.
bool CDSDirListCtrl::UploadChecksPass(const std::string& local, const std::string& name,
                                      uint64_t& length) {
    IPanelPort* pShelf = GetPanelPort();
    if (EqualsNoCase(name, kChatFilterFileName) &&
        (pShelf->GetUserRole() & kChatFilterRoles) == 0) {
        TraceInfo("dshelf - CDSDirListCtrl::OnUploadFile() 您没有权限上传名为%s的文件",
                  kChatFilterFileName);
        Tell(FormatOne(LoadLocalString(kIdsNoChatFilterRight), kChatFilterFileName));
        return false;
    }
    // Counted first: a question runs the event loop, and a listing may replace the rows.
    const auto clashes = std::count_if(m_Entries.begin(), m_Entries.end(), [&](const auto& p) {
        return p->IsFile() && p->strFileName == name;
    });
    for (auto i = clashes; i > 0; --i) {
        if (!Ask(LoadLocalString(kIdsOverwrite))) {
            return false;
        }
    }
    CFile file;
    int64_t size = -1;
    if (file.Open(local.c_str(), CFile::modeRead | CFile::shareDenyNone)) {
        size = file.GetLength();
        file.Close();
    }
    if (size < 0) {
        TraceAssert("dshelf -CDSDirListCtrl::OnUploadFile();CFile is failed! FilePath = %s",
                    local.c_str());
        AfxMessageBox(LoadLocalString(kIdsFileOpenFailed).c_str());
        return false;
    }
    length = static_cast<uint64_t>(size);
    if (length > pShelf->GetMaxUploadSize()) {
        TraceError("dshelf - CDSDirListCtrl::OnUploadFile(); 超过单个可上传文件的最大大小");
        Tell(FormatOne(LoadLocalString(kIdsTooLarge), SpaceSizeText(pShelf->GetMaxUploadSize())));
        return false;
    }
    if (SaturatingAdd(GetUsedSpace(), length) > pShelf->GetTotalSpace()) {
        Tell(LoadLocalString(kIdsNoSpaceAfter));
        return false;
    }
    return true;
}

void CDSDirListCtrl::StartUpload(const std::string& local, const std::string& remote,
                                 uint64_t length) {
    TraceInfo("dshelf - CDSDirListCtrl::OnUploadFile() Create UpLoadFile Task!");
    // A task is made only when a row can show it and it will be started.
    if (m_pFileList != nullptr &&
        StartPanelTransfer(m_pFileList, PanelTransfer{true, remote, local, length})) {
        TraceInfo("dshelf - CDSDirListCtrl::OnUploadFile() Start UpLoadFile Task!");
    }
}

void CDSDirListCtrl::OnRefreshFolder() {
    GetWebDavMgr()->CheckServer(1);
}
