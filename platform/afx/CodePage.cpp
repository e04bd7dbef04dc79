// SPDX-License-Identifier: Apache-2.0
#include "CodePage.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

namespace afx {
namespace {

std::atomic<uint32_t> g_testCodePage{0};

// Character set name of the current code page for iconv, or null for UTF-8.
const char* AnsiCharset() {
    switch (GetACP()) {
    case CP_UTF8:
        return nullptr;
    case CP_GBK:
        return "GBK";
    default:
        return nl_langinfo(CODESET);
    }
}

std::string Convert(std::string_view text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(text);
    }
    std::string out;
    out.resize(text.size() * 4 + 16);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
        if (rc != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            size_t used = static_cast<size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        // An invalid or incomplete sequence: replace one byte and go on.
        if (outLeft == 0) {
            size_t used = static_cast<size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = out.size() - used;
        }
        *dst++ = '?';
        --outLeft;
        ++in;
        --inLeft;
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    iconv_close(cd);
    return out;
}

} // namespace

uint32_t GetACP() {
    if (uint32_t forced = g_testCodePage.load(std::memory_order_relaxed)) {
        return forced;
    }
    const char* set = nl_langinfo(CODESET);
    if (set == nullptr || std::strcmp(set, "UTF-8") == 0 || std::strcmp(set, "utf8") == 0 ||
        std::strcmp(set, "ANSI_X3.4-1968") == 0 || std::strcmp(set, "ASCII") == 0) {
        return CP_UTF8;
    }
    if (strcasecmp(set, "GBK") == 0 || strcasecmp(set, "GB2312") == 0 ||
        strcasecmp(set, "GB18030") == 0) {
        return CP_GBK;
    }
    return 0;
}

void SetTestCodePage(uint32_t codePage) {
    g_testCodePage.store(codePage, std::memory_order_relaxed);
}

std::string AnsiToUtf8(std::string_view text) {
    const char* charset = AnsiCharset();
    if (charset == nullptr) {
        return std::string(text);
    }
    return Convert(text, "UTF-8", charset);
}

std::string Utf8ToAnsi(std::string_view text) {
    const char* charset = AnsiCharset();
    if (charset == nullptr) {
        return std::string(text);
    }
    return Convert(text, charset, "UTF-8");
}

} // namespace afx
