// SPDX-License-Identifier: Apache-2.0
// The ids of the component's own strings, bitmaps and menu (the tables in res/), named once.
#pragma once

#include "AfxTypes.h"

// The directory list.
inline constexpr UINT kIdsConnecting = 1020;
inline constexpr UINT kIdsColumnName = 1021;
inline constexpr UINT kIdsColumnUploader = 1022;
inline constexpr UINT kIdsColumnSize = 1023;
inline constexpr UINT kIdsColumnDownload = 1024;
inline constexpr UINT kIdsColumnDelete = 1025;
inline constexpr UINT kIdsConfirmDelete = 1026;
inline constexpr UINT kIdsAlreadyDownloading = 1027;
inline constexpr UINT kIdsOverwrite = 1028;
inline constexpr UINT kIdsNoSpaceBefore = 1029;
inline constexpr UINT kIdsNoChatFilterRight = 1030;
inline constexpr UINT kIdsFileOpenFailed = 1031;
inline constexpr UINT kIdsTooLarge = 1032;
inline constexpr UINT kIdsNoSpaceAfter = 1033;
inline constexpr UINT kIdsSpace = 1034;
inline constexpr UINT kIdsConnectFailed = 1035;
inline constexpr UINT kIdsNoPermission = 1036;
inline constexpr UINT kIdsUnknownAuthor = 1037;
inline constexpr UINT kIdsNoLocalDirectory = 1071;
inline constexpr UINT kIdsListingFailed = 1072;
inline constexpr UINT kIdsNoFolderUpload = 1073;
inline constexpr UINT kIdsConfirmDeleteMany = 1075;
inline constexpr UINT kIdsOverwriteMany = 1076;

// The transfer list: columns, then states.
inline constexpr UINT kIdsTransferColumnName = 1038;
inline constexpr UINT kIdsTransferColumnStatus = 1039;
inline constexpr UINT kIdsTransferColumnSize = 1040;
inline constexpr UINT kIdsTransferColumnProgress = 1041;
inline constexpr UINT kIdsTransferColumnSaveAs = 1042;
inline constexpr UINT kIdsTransferColumnOpenFolder = 1043;
inline constexpr UINT kIdsUploadWaiting = 1044;
inline constexpr UINT kIdsDownloadWaiting = 1045;
inline constexpr UINT kIdsUploading = 1046;
inline constexpr UINT kIdsUploadFinished = 1047;
inline constexpr UINT kIdsUploadFileFailed = 1048;
inline constexpr UINT kIdsUploadNetworkFailed = 1049;
inline constexpr UINT kIdsUploadCancelled = 1050;
inline constexpr UINT kIdsUploadServerFailed = 1051;
inline constexpr UINT kIdsUploadNoRoom = 1052;
inline constexpr UINT kIdsUploadFailed = 1053;
inline constexpr UINT kIdsDownloadFinished = 1054;
inline constexpr UINT kIdsDownloadFileFailed = 1055;
inline constexpr UINT kIdsDownloadNetworkFailed = 1056;
inline constexpr UINT kIdsDownloadCancelled = 1057;
inline constexpr UINT kIdsDownloadServerFailed = 1058;
inline constexpr UINT kIdsDownloadNotFound = 1059;
inline constexpr UINT kIdsDownloadFailed = 1060;
inline constexpr UINT kIdsOpenFailed = 1061;
inline constexpr UINT kIdsFileMissing = 1062;
inline constexpr UINT kIdsArrowUp = 1063;
inline constexpr UINT kIdsArrowDown = 1064;
inline constexpr UINT kIdsHistory = 1065;
inline constexpr UINT kIdsDownloading = 1069;
inline constexpr UINT kIdsCopyFailed = 1070;
// Why a transfer failed, in words, and what a running one has done.
inline constexpr UINT kIdsReasonConnectionLost = 1077;
inline constexpr UINT kIdsReasonCancelled = 1078;
inline constexpr UINT kIdsReasonNotFound = 1079;
inline constexpr UINT kIdsReasonRefused = 1080;
inline constexpr UINT kIdsReasonNoRoom = 1081;
inline constexpr UINT kIdsReasonLocalFile = 1082;
inline constexpr UINT kIdsBytesOf = 1083;
inline constexpr UINT kIdsSpeed = 1084;
inline constexpr UINT kIdsTimeLeft = 1085;

// The view and the meeting.
inline constexpr UINT kIdsTransferCaption = 1066;
inline constexpr UINT kIdsDirCaption = 1067;
inline constexpr UINT kIdsUploadedFile = 1068;
inline constexpr UINT kIdsTransferCaptionWaiting = 1074;
// What a screen reader names the two lists and the status line.
inline constexpr UINT kIdsDirListName = 1086;
inline constexpr UINT kIdsTransferListName = 1087;
inline constexpr UINT kIdsStatusName = 1088;

// Bitmaps.
inline constexpr UINT kBmpDownloadHover = 1011;
inline constexpr UINT kBmpDownload = 1012;
inline constexpr UINT kBmpSaveAs = 1013;
inline constexpr UINT kBmpSaveAsHot = 1014;
inline constexpr UINT kBmpOpenFolder = 1015;
inline constexpr UINT kBmpOpenFolderHot = 1016;
inline constexpr UINT kBmpDelete = 1018;
inline constexpr UINT kBmpDeleteHover = 1019;

// The lists' context menus.
inline constexpr UINT kMenuRowCommands = 1000;
