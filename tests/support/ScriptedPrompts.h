// SPDX-License-Identifier: Apache-2.0
// A prompt service for tests: answers from a script, records every prompt, never blocks.
// Install it with ScriptedPrompts::Installer (or afx::SetPromptService) before the code
// under test runs. A prompt with no scripted answer of its kind gets the cancel answer
// (No, Cancel, no file, no program, no menu choice) and is marked unexpected.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "AfxPrompt.h"

class ScriptedPrompts : public afx::IPromptService {
public:
    enum class Kind { MessageBox, FileDialog, ChooseProgram, TrackPopup };

    struct Prompt {
        Kind kind = Kind::MessageBox;
        HWND owner = nullptr;
        std::string text;    // message box text; program choice: the path
        std::string caption; // message box caption
        UINT style = 0;      // message box style
        bool open = false;   // file dialog: open (true) or save
        std::string defExt;
        std::string fileName;
        DWORD flags = 0;
        std::vector<afx::PopupItem> items; // popup menu
        POINT point;                       // popup menu position
        int answer = 0;                    // message box answer, or the chosen popup id
        std::string chosenPath;            // file dialog answer
        bool accepted = false;             // file dialog and program choice
        bool unexpected = false;
    };

    ScriptedPrompts() = default;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // Answers, taken in order per kind.
    void AnswerMessageBox(int answer);
    void AnswerFileDialog(const std::string& path); // chooses this path
    void CancelFileDialog();
    void AnswerPopup(UINT id); // the item with this id, if present and enabled; else none
    void CancelPopup();
    void AnswerChooseProgram(bool started);

    std::vector<Prompt> Prompts() const;
    size_t Count(Kind kind) const;
    // Prompts that found no scripted answer of their kind.
    size_t UnexpectedCount() const;
    // Scripted answers nobody asked for.
    size_t UnusedAnswers() const;
    void Clear();

    // Installs the service for a scope and restores the real one after it.
    class Installer {
    public:
        explicit Installer(ScriptedPrompts& prompts) { afx::SetPromptService(&prompts); }
        ~Installer() { afx::SetPromptService(nullptr); }
        Installer(const Installer&) = delete;
        Installer& operator=(const Installer&) = delete;
    };

    int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT style) override;
    bool FileDialog(bool open, HWND owner, const std::string& defExt, const std::string& fileName,
                    DWORD flags, std::string& chosenPath) override;
    bool ChooseProgram(const std::string& path) override;
    UINT TrackPopup(const std::vector<afx::PopupItem>& items, POINT screen, HWND owner) override;

private:
    struct FileAnswer {
        bool accept;
        std::string path;
    };

    mutable std::mutex m_mutex;
    std::deque<int> m_boxAnswers;
    std::deque<FileAnswer> m_fileAnswers;
    std::deque<UINT> m_popupAnswers; // 0: choose nothing
    std::deque<bool> m_programAnswers;
    std::vector<Prompt> m_prompts;
};
