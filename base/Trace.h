// SPDX-License-Identifier: Apache-2.0
// The component's log functions. Each formats into a 1024-byte buffer (longer texts are cut)
// and hands the line to CoreLib's WriteLog with module 0.
#pragma once

#define DS_PRINTF_LIKE __attribute__((format(printf, 1, 2)))

void TraceAssert(const char* pszFormat, ...) DS_PRINTF_LIKE; // level 16
void TraceError(const char* pszFormat, ...) DS_PRINTF_LIKE;  // level 8
void TraceInfo(const char* pszFormat, ...) DS_PRINTF_LIKE;   // level 4

// The failed-precondition line: "Assert failed: file=%s line=%d expr=%s".
void ReportAssert(const char* pszFile, int nLine, const char* pszExpr);

// Reports and returns from the enclosing function when the condition does not hold.
#define DS_CHECK_RETURN(cond, file, line, expr, ...)                                               \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ReportAssert(file, line, expr);                                                        \
            return __VA_ARGS__;                                                                    \
        }                                                                                          \
    } while (0)
