// SPDX-License-Identifier: Apache-2.0
#include "CallPrinter.h"

#include <cstdio>

std::string CCallPrinter::Escape(const char* psz) {
    std::string out;
    for (const char* p = psz; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string CCallPrinter::FormatLine(const char* pszOperation,
                                     std::initializer_list<Field> fields) {
    std::string line = pszOperation;
    for (const Field& f : fields) {
        line += '\t';
        line += f.text;
    }
    return line;
}

void CCallPrinter::Print(const char* pszOperation, std::initializer_list<Field> fields) {
    std::string line = FormatLine(pszOperation, fields);
    std::function<void(const std::string&)> listener;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        listener = m_Listener;
    }
    if (listener)
        listener(line);
}

void CCallPrinter::SetListener(std::function<void(const std::string&)> listener) {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Listener = std::move(listener);
}
