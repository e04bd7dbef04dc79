// SPDX-License-Identifier: Apache-2.0
// Window messages across threads: PostMessage from any thread, dispatched on the
// user-interface thread to the window procedure of the window's CWnd.
#pragma once

#include "AfxTypes.h"

// Any thread. FALSE when the window is not a live CWnd window; the message is then not
// queued and the caller still owns whatever the parameters carry.
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Any thread. As PostMessage; with a key other than 0, a message still queued for the same
// window with the same message and key is superseded: the new one takes its place in the queue
// and what the old one carried goes to the message's disposer, on this thread. Messages posted
// without a key never give way.
BOOL PostMessageSuperseding(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, uint64_t key);
// Calls the window procedure and returns its result; from another thread it waits for the
// user-interface thread. 0 when the window is gone.
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

namespace afx {

// Frees what a posted message carries when it cannot be delivered: its window was destroyed
// before delivery, or the queue was discarded at shutdown.
using PostedMessageDisposer = void (*)(WPARAM wParam, LPARAM lParam);
void RegisterPostedMessageDisposer(UINT message, PostedMessageDisposer pfnDispose);

// UI thread. Disposes every message still queued and stops accepting new ones until the next
// window is attached. Call before the code of the disposers is unloaded.
void ShutdownMessageRouter();

// UI thread, before the component's code is unloaded: ShutdownMessageRouter, and the
// wrappers CWnd::FromHandle made for foreign windows are let go, so that nothing of the
// layer is left for Qt to call later.
void Shutdown();

// Number of posted messages handed to a disposer so far (diagnostics and tests).
uint64_t DisposedMessageCount();
// Number of queued messages superseded by a newer one so far (diagnostics and tests).
uint64_t SupersededMessageCount();

} // namespace afx
