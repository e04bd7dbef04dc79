// SPDX-License-Identifier: Apache-2.0
// Captures the component's log lines through CoreLib's log sink for the life of the object.
#pragma once

#include <mutex>
#include <string>
#include <vector>

struct LogLine {
    int level = 0;
    std::string text;
};

class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

    std::vector<LogLine> Lines() const;
    bool Contains(const std::string& text) const; // any line containing text
    int Count(const std::string& text) const;
    void Clear();

private:
    static void Sink(void* context, int module, int level, const char* text);

    mutable std::mutex m_lock;
    std::vector<LogLine> m_lines;
};
