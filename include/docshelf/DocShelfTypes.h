// SPDX-License-Identifier: Apache-2.0
// Basic types shared by the component and its hosts.
#pragma once

#include <cstdint>

// A window handle names a host window; on this platform it is the host's QWidget.
#ifndef DOCSHELF_HWND_DEFINED
#define DOCSHELF_HWND_DEFINED
struct HWND__;
typedef HWND__* HWND;
#endif

// Transfer result codes, reported with every finished upload and download.
enum DSTransferResult : int32_t {
    DS_RESULT_SUCCESS = 0,
    DS_RESULT_REQUEST_FAILED = 1,
    DS_RESULT_LOCAL_FILE_FAILED = 2,
    DS_RESULT_CANCELLED = 3,
    DS_RESULT_SERVER_ERROR = 4,
    DS_RESULT_NO_ROOM = 5,
    DS_RESULT_NOT_FOUND = 6,
};

// What a listing came to.
enum DSListResult : int32_t {
    DS_LIST_OK = 0,
    DS_LIST_NO_CONNECTION = 1, // no answer, or the connection was lost
    DS_LIST_REFUSED = 4,       // an answer other than a multistatus (401, 404, 500, ...)
    DS_LIST_UNREADABLE = 7,    // a multistatus that could not be read
};
