// SPDX-License-Identifier: Apache-2.0
// A text a window paints itself, shown to a screen reader as a static text where it is
// painted. It draws nothing and lets the mouse through; its name and description are what a
// reader reads, and a change of either is announced while a reader listens.
#pragma once

#include <memory>
#include <string>

#include "AfxTypes.h"

class CWnd;

class CAccessibleText {
public:
    CAccessibleText();
    ~CAccessibleText();
    CAccessibleText(const CAccessibleText&) = delete;
    CAccessibleText& operator=(const CAccessibleText&) = delete;

    // A child of the window; FALSE when the window has no widget yet.
    BOOL Create(CWnd* pParent);
    // Texts in the system code page. Setting the same text again announces nothing.
    void SetName(const std::string& name);
    void SetDescription(const std::string& description);
    std::string GetName() const;
    std::string GetDescription() const;
    // In the parent's client coordinates.
    void MoveWindow(const RECT& rect);

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
