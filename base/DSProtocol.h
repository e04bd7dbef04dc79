// SPDX-License-Identifier: Apache-2.0
// The record protocol between the engine's threads and the panel: methods, sub-methods,
// transfer results and record keys, named once.
#pragma once

#include <cstdint>

#include "DocShelfTypes.h"

namespace ds {

// The method of a work item or job record: the work to run.
enum WorkMethod : uint32_t {
    kWorkDownload = 1,
    kWorkUpload = 2,
    kWorkMove = 3,
    kWorkDelete = 4,
    kWorkMakeFolder = 5,
    kWorkList = 6,
    kWorkCheckServer = 7,
    kWorkListEntry = 8, // one named entry of a folder, for its listing's rows
};

// The method of a notification: its receiver.
enum Receiver : uint32_t {
    kToDirList = 1,
    kToTransferEntries = 2,
    kToTransferList = 3,
    kToWebDavMgr = 4,
};

// "SubMethod" of records for the directory list.
enum DirListSub : uint32_t {
    kDirAddEntry = 1,
    kDirClearList = 2,
    kDirRelistFolder = 3,
    kDirHostMessage = 4,
    kDirListingFinished = 5,
    kDirRelistRoot = 6,
    kDirUpdateEntry = 7, // an entry that replaces the row of its name, or is added
    kDirAddEntries = 8,  // a batch of entries to add
};

// "SubMethod" of a listing entry for the transfer list (receiver kToTransferEntries).
enum TransferEntrySub : uint32_t {
    kTransferListingEntry = 7,
};

// "SubMethod" of records for the transfer list.
enum TransferSub : uint32_t {
    kUploadStarted = 1,
    kDownloadStarted = 2,
    kUploadEnded = 3,
    kDownloadEnded = 4,
    kUploadProgress = 5,
    kDownloadProgress = 6,
};

// "SubMethod" of records for the WebDAV manager.
enum WebDavSub : uint32_t {
    kListDone = 1,
    kDeleteDone = 2,
    kMakeFolderDone = 3,
    kDownloadDone = 4,
    kUploadDone = 5,
};

// What a transfer came to ("ErrorCode" and "dwResult") is the public DSTransferResult.
using TransferResult = DSTransferResult;

// What a listing came to: "ListResult" in the listing-finished records.
using ListResult = DSListResult;
inline constexpr ListResult kListOk = DS_LIST_OK;
inline constexpr ListResult kListNoConnection = DS_LIST_NO_CONNECTION;
inline constexpr ListResult kListRefused = DS_LIST_REFUSED;
inline constexpr ListResult kListUnreadable = DS_LIST_UNREADABLE;

// Module data of the panel's own uploads.
constexpr uint32_t kPanelModuleData = 1;

namespace key {
// Work items and job records.
inline constexpr const char* FullPath = "FullPath";
inline constexpr const char* FullPathFrom = "FullPathFrom";
inline constexpr const char* FullPathTo = "FullPathTo";
inline constexpr const char* RelatePath = "RelatePath";
inline constexpr const char* LocalFilePathName = "LocalFilePathName";
inline constexpr const char* AddRefFlag = "AddRefFlag";
inline constexpr const char* Background = "bBackground"; // an automatic download, held to its rate
// A download's target as it was when the download was asked for (a LocalTarget).
inline constexpr const char* TargetAsAsked = "TargetAsAsked";
inline constexpr const char* InternalUserData = "InternalUserData";
inline constexpr const char* ApplicationUserData = "ApplicationUserData";
inline constexpr const char* Depth = "dwDepth";
inline constexpr const char* EntryName = "EntryName"; // of a one-entry listing
// A listing that makes its folder, and the folders above it, when the server has none.
inline constexpr const char* MakeMissing = "bMakeMissing";
inline constexpr const char* AutoRefresh = "bIsAutoRefresh";
inline constexpr const char* CheckResult = "Result";
inline constexpr const char* Thread = "pThread";
inline constexpr const char* File = "pFile";
inline constexpr const char* Writer = "pWriter"; // a download's CWriteBehind while it runs
inline constexpr const char* Watch = "pWatch";   // a transfer's CProgressWatch while it runs
inline constexpr const char* Job = "ppJob";
// Set while a transfer runs: its session, and what the body callbacks found.
inline constexpr const char* Session = "pSession";
inline constexpr const char* LocalFileError = "bLocalFileError";
inline constexpr const char* BodyAccepted = "bBodyAccepted";
// A download that continues a kept part: the bytes it had (0 once the server sent the whole
// file) and what the part's note says of the file; then what the answer said of the file: its
// validator and whole length (absent when the answer gave none).
inline constexpr const char* ResumeFrom = "ullResumeFrom";
inline constexpr const char* KeptValidator = "strKeptValidator";
inline constexpr const char* KeptLength = "ullKeptLength";
inline constexpr const char* Validator = "strValidator";
inline constexpr const char* WholeLength = "ullWholeLength";
// Task records.
inline constexpr const char* ModuleData = "dwModuleData";
inline constexpr const char* UserData = "dwUserData";
// Notifications.
inline constexpr const char* SubMethod = "SubMethod";
inline constexpr const char* Item = "hItem";
inline constexpr const char* EntryDepth = "Depth";
inline constexpr const char* IsDir = "bDir";
inline constexpr const char* RelatedPath = "RelatedPath";
inline constexpr const char* FileName = "FileName";
inline constexpr const char* ExtName = "ExtName";
inline constexpr const char* FileLength = "ullFileLength";
inline constexpr const char* LengthUnknown = "bLengthUnknown"; // 1: the length was not readable
inline constexpr const char* Author = "Author";
inline constexpr const char* EntryTag = "ullTag"; // an entry's ETag, hashed
inline constexpr const char* Entries = "Entries"; // a batch of packed listing entries
inline constexpr const char* HasVisibleFile = "bHasVisualableFile";
inline constexpr const char* ListResult = "ListResult";
inline constexpr const char* Message = "pMessage";
inline constexpr const char* TaskID = "TaskID";
inline constexpr const char* ErrorCode = "ErrorCode";
inline constexpr const char* Result = "dwResult";
inline constexpr const char* LocalFileName = "LocalFileName";
inline constexpr const char* TotalLength = "TotalLength";
inline constexpr const char* CurrentProgress = "CurrentProgress";
} // namespace key

// On the server: the property that names a file's uploader, and the suffix an upload is
// written under until it is complete (never listed).
inline constexpr const char* kAuthorPropSpace = "ZIDaze:";
inline constexpr const char* kAuthorPropName = "Author";
inline constexpr const char* kUploadTempSuffix = ".mxdstmp";

} // namespace ds

// The meeting's fixed names: the presenter folder, the chat filter file in it, the messages
// that announce it, and the role bits that may upload it and see it listed.
inline constexpr const char* kPresenterFolder = "Presenter/";
inline constexpr const char* kChatFilterFileName = "mtkey.txt";
inline constexpr const char* kChatFilterUploaded = "CHAT_FILTER_FILE_UPLOADED";
inline constexpr const char* kChatFilterDeleted = "CHAT_FILTER_FILE_DELETED";
inline constexpr uint16_t kChatFilterRoles = 0xC;
