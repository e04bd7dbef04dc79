// SPDX-License-Identifier: Apache-2.0
#include "LogCapture.h"

#include "CoreLib.h"

CLogCapture::CLogCapture() {
    CoreLibSetLogSink(&CLogCapture::Sink, this, CORELOG_INFO);
}

CLogCapture::~CLogCapture() {
    CoreLibSetLogSink(nullptr, nullptr, 0);
}

void CLogCapture::Sink(void* context, int /*module*/, int level, const char* text) {
    auto* self = static_cast<CLogCapture*>(context);
    std::lock_guard<std::mutex> guard(self->m_lock);
    self->m_lines.push_back(LogLine{level, text});
}

std::vector<LogLine> CLogCapture::Lines() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines;
}

bool CLogCapture::Contains(const std::string& text) const {
    return Count(text) > 0;
}

int CLogCapture::Count(const std::string& text) const {
    std::lock_guard<std::mutex> guard(m_lock);
    int n = 0;
    for (const LogLine& line : m_lines) {
        if (line.text.find(text) != std::string::npos) {
            ++n;
        }
    }
    return n;
}

void CLogCapture::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lines.clear();
}
