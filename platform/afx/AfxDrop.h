// SPDX-License-Identifier: Apache-2.0
// Files dropped from the desktop onto a window, as the framework has them, over Qt's drag and
// drop. Only local files count: a drag that carries none is refused.
//
// A window that takes files (DragAcceptFiles) is asked, while such a drag enters and moves over
// it, whether it takes them now: WM_QUERYDROPFILES, lParam the point in client coordinates,
// answered nonzero for yes; a window that leaves the message to DefWindowProc takes them.
// A drop is posted to the window as WM_DROPFILES with an HDROP in wParam, so that whatever its
// handler asks runs after the drag has ended. The handler ends the HDROP with DragFinish; one
// that leaves the message to DefWindowProc, or a window gone before delivery, has it ended for
// it. User-interface thread only.
#pragma once

#include "AfxTypes.h"

struct HDROP__;
typedef HDROP__* HDROP;

constexpr UINT WM_DROPFILES = 0x0233;
// The layer's own message; the framework has no such question.
constexpr UINT WM_QUERYDROPFILES = WM_USER + 0x7EE0;

// The window takes dropped files from now on, or no longer.
void DragAcceptFiles(HWND hWnd, BOOL bAccept);
// iFile 0xFFFFFFFF: the number of files. Otherwise the path of file iFile (system code page),
// cut to fit cch characters with its terminator, and its length without the terminator; with
// lpszFile null, the length it needs. 0 for a file that is not there.
UINT DragQueryFile(HDROP hDrop, UINT iFile, char* lpszFile, UINT cch);
void DragFinish(HDROP hDrop);
