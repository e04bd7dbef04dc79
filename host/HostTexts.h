// SPDX-License-Identifier: Apache-2.0
// The host's own texts (menus, the status line) in the panel's two languages.
#pragma once

#include <QString>

enum class HostText {
    FileMenu,
    UploadFile,
    RefreshFolder,
    ClearTransfers,
    ClearLocal,
    ConfirmClearLocal,
    Quit,
    ViewMenu,
    ContainerCalls,
    LanguageMenu,
    MeetingConnecting,
    MeetingJoined,
    MeetingLost, // %1 the reason
};

// Chinese when the message locale the component follows is zh_CN, English otherwise.
QString Text(HostText id);
