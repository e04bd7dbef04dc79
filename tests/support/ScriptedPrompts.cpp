// SPDX-License-Identifier: Apache-2.0
#include "ScriptedPrompts.h"

void ScriptedPrompts::AnswerMessageBox(int answer) {
    std::lock_guard lock(m_mutex);
    m_boxAnswers.push_back(answer);
}

void ScriptedPrompts::AnswerFileDialog(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_fileAnswers.push_back({true, path});
}

void ScriptedPrompts::CancelFileDialog() {
    std::lock_guard lock(m_mutex);
    m_fileAnswers.push_back({false, {}});
}

void ScriptedPrompts::AnswerPopup(UINT id) {
    std::lock_guard lock(m_mutex);
    m_popupAnswers.push_back(id);
}

void ScriptedPrompts::CancelPopup() {
    AnswerPopup(0);
}

void ScriptedPrompts::AnswerChooseProgram(bool started) {
    std::lock_guard lock(m_mutex);
    m_programAnswers.push_back(started);
}

std::vector<ScriptedPrompts::Prompt> ScriptedPrompts::Prompts() const {
    std::lock_guard lock(m_mutex);
    return m_prompts;
}

size_t ScriptedPrompts::Count(Kind kind) const {
    std::lock_guard lock(m_mutex);
    size_t n = 0;
    for (const Prompt& p : m_prompts) {
        n += p.kind == kind ? 1 : 0;
    }
    return n;
}

size_t ScriptedPrompts::UnexpectedCount() const {
    std::lock_guard lock(m_mutex);
    size_t n = 0;
    for (const Prompt& p : m_prompts) {
        n += p.unexpected ? 1 : 0;
    }
    return n;
}

size_t ScriptedPrompts::UnusedAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_boxAnswers.size() + m_fileAnswers.size() + m_popupAnswers.size() +
           m_programAnswers.size();
}

void ScriptedPrompts::Clear() {
    std::lock_guard lock(m_mutex);
    m_boxAnswers.clear();
    m_fileAnswers.clear();
    m_popupAnswers.clear();
    m_programAnswers.clear();
    m_prompts.clear();
}

int ScriptedPrompts::MessageBox(HWND owner, const std::string& text, const std::string& caption,
                                UINT style) {
    std::lock_guard lock(m_mutex);
    Prompt p;
    p.kind = Kind::MessageBox;
    p.owner = owner;
    p.text = text;
    p.caption = caption;
    p.style = style;
    if (m_boxAnswers.empty()) {
        p.unexpected = true;
        p.answer = afx::CancelAnswer(style);
    } else {
        p.answer = m_boxAnswers.front();
        m_boxAnswers.pop_front();
    }
    m_prompts.push_back(p);
    return p.answer;
}

bool ScriptedPrompts::FileDialog(bool open, HWND owner, const std::string& defExt,
                                 const std::string& fileName, DWORD flags,
                                 std::string& chosenPath) {
    std::lock_guard lock(m_mutex);
    Prompt p;
    p.kind = Kind::FileDialog;
    p.owner = owner;
    p.open = open;
    p.defExt = defExt;
    p.fileName = fileName;
    p.flags = flags;
    if (m_fileAnswers.empty()) {
        p.unexpected = true;
    } else {
        p.accepted = m_fileAnswers.front().accept;
        p.chosenPath = m_fileAnswers.front().path;
        m_fileAnswers.pop_front();
    }
    m_prompts.push_back(p);
    if (p.accepted) {
        chosenPath = p.chosenPath;
    }
    return p.accepted;
}

bool ScriptedPrompts::ChooseProgram(const std::string& path) {
    std::lock_guard lock(m_mutex);
    Prompt p;
    p.kind = Kind::ChooseProgram;
    p.text = path;
    if (m_programAnswers.empty()) {
        p.unexpected = true;
    } else {
        p.accepted = m_programAnswers.front();
        m_programAnswers.pop_front();
    }
    m_prompts.push_back(p);
    return p.accepted;
}

UINT ScriptedPrompts::TrackPopup(const std::vector<afx::PopupItem>& items, POINT screen,
                                 HWND owner) {
    std::lock_guard lock(m_mutex);
    Prompt p;
    p.kind = Kind::TrackPopup;
    p.owner = owner;
    p.items = items;
    p.point = screen;
    if (m_popupAnswers.empty()) {
        p.unexpected = true;
    } else {
        UINT wanted = m_popupAnswers.front();
        m_popupAnswers.pop_front();
        // A user can only pick an item that is there and enabled.
        for (const afx::PopupItem& item : items) {
            if (wanted != 0 && !item.separator && item.enabled && item.id == wanted) {
                p.answer = static_cast<int>(wanted);
                break;
            }
        }
    }
    m_prompts.push_back(p);
    return static_cast<UINT>(p.answer);
}
