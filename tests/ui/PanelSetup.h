// SPDX-License-Identifier: Apache-2.0
// The panel as the ui tests set it up: a shown window, the manager's own view in it, a save
// folder of the test's own; listing records as the work thread hands them to the folder list,
// and the queue the list's commands fill, emptied between tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QWidget>
#include <memory>
#include <string>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "RecordUtil.h"
#include "WebDavMgr.h"

namespace uitest {

inline IDataRecord* DirListRecord(uint32_t subMethod) {
    IDataRecord* r = GetDataFactory(1)->CreateDataRecord();
    r->SetMethod(ds::kToDirList);
    rec::SetU32(r, ds::key::SubMethod, subMethod);
    return r;
}

// One row of /Presenter/, with the extension and author as the listing gives them: empty for
// folders and names without a dot.
inline IDataRecord* DirEntryRecord(const std::string& name, uint64_t length,
                                   const std::string& author = "Alice", bool dir = false) {
    IDataRecord* r = DirListRecord(ds::kDirAddEntry);
    rec::SetU32(r, ds::key::EntryDepth, 2);
    rec::SetU32(r, ds::key::IsDir, dir ? 1 : 0);
    rec::SetStr(r, ds::key::RelatedPath, "/Presenter/");
    rec::SetStr(r, ds::key::FileName, name);
    const size_t dot = name.find_last_of('.');
    rec::SetStr(r, ds::key::ExtName, dir || dot == std::string::npos ? "" : name.substr(dot + 1));
    rec::SetU64(r, ds::key::FileLength, length);
    rec::SetStr(r, ds::key::Author, dir ? "" : author);
    return r;
}

inline std::unique_ptr<QWidget> ShownWindow(int width, int height) {
    auto w = std::make_unique<QWidget>();
    w->resize(width, height);
    w->show();
    return w;
}

// A view of the test's own in the window, its lists made.
inline std::unique_ptr<CDocShelfView> OwnView(QWidget* window) {
    auto view = std::make_unique<CDocShelfView>();
    EXPECT_TRUE(view->SubclassWindow(reinterpret_cast<HWND>(window)));
    view->CreateControls(nullptr);
    return view;
}

// The manager's view in the window, so that its questions and messages are shown.
inline CDocShelfView* ManagerView(QWidget* window) {
    GetDocShelfMgr()->SetParentWnd(reinterpret_cast<HWND>(window));
    GetDocShelfMgr()->Init();
    GetDocShelfMgr()->GetView()->CreateControls(nullptr);
    return GetDocShelfMgr()->GetView();
}

// A new folder under /tmp, with its trailing slash; empty when none could be made.
inline std::string TempFolder(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? pattern + "/" : std::string();
}

inline void DropQueuedWork() {
    while (IDataRecord* p = GetWebDavMgr()->GetWorkThread().TakeQueuedWork())
        p->Release();
}

} // namespace uitest
