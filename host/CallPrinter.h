// SPDX-License-Identifier: Apache-2.0
// Prints each container call as one tab-separated line on standard output.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>

class CCallPrinter {
public:
    // One field of a line: a text (null prints as "(end)") or a number.
    struct Field {
        Field(const char* psz) : text(psz ? Escape(psz) : std::string("(end)")) {}
        Field(int32_t n) : text(std::to_string(n)) {}
        Field(uint64_t n) : text(std::to_string(n)) {}
        std::string text;
    };

    static std::string FormatLine(const char* pszOperation, std::initializer_list<Field> fields);
    // Keeps a line one line: control characters become \xNN.
    static std::string Escape(const char* psz);

    // Any thread. Writes and flushes the line, then hands it to the listener.
    void Print(const char* pszOperation, std::initializer_list<Field> fields);
    // The listener runs on the printing thread, outside the lock.
    void SetListener(std::function<void(const std::string&)> listener);

private:
    std::mutex m_Lock;
    std::function<void(const std::string&)> m_Listener;
};
