// SPDX-License-Identifier: Apache-2.0
// The panel as a screen reader sees it through Qt's accessibility API: the lists as tables with
// their cells, headers and states, the events a reader follows, the row buttons' actions and
// the painted captions.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QKeyEvent>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DSDirListCtrl.h"
#include "DSProtocol.h"
#include "DocShelf.h"
#include "DocShelfFileList.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "PanelSetup.h"
#include "RecordUtil.h"
#include "ScriptedPrompts.h"
#include "UiTestUtil.h"
#include "WebDavMgr.h"

// Qt sends events only while the platform's reader bridge is active, and offscreen has no
// reader: the test switches the platform's flag itself (Qt's private API, in libQt6Gui).
class QPlatformAccessibility {
public:
    void setActive(bool active);
};
class QPlatformIntegration {
public:
    QPlatformAccessibility* accessibility() const;
};
class QGuiApplicationPrivate {
public:
    static QPlatformIntegration* platform_integration;
};

namespace {

void SetReaderListening(bool bListening) {
    if (QPlatformAccessibility* p = QGuiApplicationPrivate::platform_integration->accessibility())
        p->setActive(bListening);
}

// One event as the reader got it: a cell's place, or a model change's rows.
struct Caught {
    QAccessible::Event type;
    int row = -1;
    int column = -1;
    int first = -1;
    int last = -1;
    int change = -1;
    double value = -1;
};

std::vector<Caught> g_caught;

void CatchEvent(QAccessibleEvent* e) {
    Caught c{e->type()};
    if (e->type() == QAccessible::TableModelChanged) {
        auto* m = static_cast<QAccessibleTableModelChangeEvent*>(e);
        c.first = m->firstRow();
        c.last = m->lastRow();
        c.change = m->modelChangeType();
    } else if (QAccessibleInterface* iface = e->accessibleInterface()) {
        if (QAccessibleTableCellInterface* cell = iface->tableCellInterface()) {
            c.row = cell->rowIndex();
            c.column = cell->columnIndex();
        }
    }
    if (e->type() == QAccessible::ValueChanged)
        c.value = static_cast<QAccessibleValueChangeEvent*>(e)->value().toDouble();
    g_caught.push_back(c);
}

// The last model change caught.
Caught LastModelChange() {
    for (auto it = g_caught.rbegin(); it != g_caught.rend(); ++it)
        if (it->type == QAccessible::TableModelChanged)
            return *it;
    return Caught{QAccessible::InvalidEvent};
}

int CountOf(QAccessible::Event type, int row = -1, int column = -1) {
    int n = 0;
    for (const Caught& c : g_caught)
        n += c.type == type && (row < 0 || c.row == row) && (column < 0 || c.column == column);
    return n;
}

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = uitest::ShownWindow(700, 500);
        view = uitest::ManagerView(host.get());
        list = view->GetDirListCtrl();
        ASSERT_NE(list, nullptr);
        localDir = uitest::TempFolder("docshelf-a11y");
        ASSERT_FALSE(localDir.empty());
        GetDocShelfMgr()->SetLocalDirectory(localDir.c_str());
        GetDocShelfMgr()->SetRights(DS_RIGHT_DOWNLOAD | DS_RIGHT_DELETE);
        uitest::Pump();
        uitest::DropQueuedWork();
        previous = QAccessible::installUpdateHandler(&CatchEvent);
        g_caught.clear();
    }
    void TearDown() override {
        SetReaderListening(false);
        QAccessible::installUpdateHandler(previous);
        GetWebDavMgr()->SetServerAvailable(0);
        GetDocShelfMgr()->SetRights(0);
        GetDocShelfMgr()->Reset();
        host.reset();
        uitest::Pump();
        uitest::DropQueuedWork();
        std::error_code ec;
        std::filesystem::remove_all(localDir, ec);
    }
    void Add(const std::string& name, bool dir = false) {
        IDataRecord* r = uitest::DirEntryRecord(name, 1000, "Alice", dir);
        list->OnWorkResult(r);
        r->Release();
    }
    static QWidget* WidgetOf(CWnd* pWnd) { return reinterpret_cast<QWidget*>(pWnd->GetSafeHwnd()); }
    QAccessibleInterface* Table() { return QAccessible::queryAccessibleInterface(WidgetOf(list)); }
    QAccessibleInterface* Cell(int row, int column) {
        return Table()->tableInterface()->cellAt(row, column);
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(WidgetOf(list), &press);
    }
    void Focus() {
        host->activateWindow();
        ASSERT_TRUE(uitest::WaitFor([&] { return host->isActiveWindow(); }));
        WidgetOf(list)->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(uitest::WaitFor([&] { return WidgetOf(list)->hasFocus(); }));
        uitest::Pump();
    }
    std::string Asked() {
        std::string out;
        for (const ScriptedPrompts::Prompt& p : prompts.Prompts())
            out += (p.kind == ScriptedPrompts::Kind::FileDialog ? "[save " + p.fileName + "]"
                                                                : p.text) +
                   "\n";
        prompts.Clear();
        return out;
    }

    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed{prompts};
    std::unique_ptr<QWidget> host;
    CDocShelfView* view = nullptr;
    CDSDirListCtrl* list = nullptr;
    std::string localDir;
    QAccessible::UpdateHandler previous = nullptr;
};

TEST_F(AccessibilityTest, ListIsATableOfCellsUnderItsHeader) {
    const std::string longName = "b-" + std::string(150, 'n') + ".txt";
    Add(longName);
    Add("a-plan.txt");
    Add("c-old", true);
    uitest::Pump();
    QAccessibleInterface* table = Table();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(table->text(QAccessible::Name), "Files of the meeting's folder");
    EXPECT_TRUE(table->state().multiSelectable);
    QAccessibleTableInterface* t = table->tableInterface();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rowCount(), 3);
    EXPECT_EQ(t->columnCount(), 5);
    EXPECT_EQ(t->columnDescription(1), "Uploaded by");
    // Header sections first, then the cells row by row; each child knows its place.
    EXPECT_EQ(table->childCount(), 5 * 4);
    QAccessibleInterface* cell = t->cellAt(1, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), "a-plan.txt");
    EXPECT_EQ(cell->parent(), table);
    EXPECT_EQ(table->child(table->indexOfChild(cell)), cell);
    EXPECT_EQ(t->cellAt(1, 0), cell); // kept, not made again
    QAccessibleInterface* header = cell->tableCellInterface()->columnHeaderCells().value(0);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(header->text(QAccessible::Name), t->columnDescription(0));
    EXPECT_EQ(table->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
    // A cut name is described by its tip, the whole name.
    EXPECT_TRUE(cell->text(QAccessible::Description).isEmpty());
    EXPECT_EQ(t->cellAt(0, 0)->text(QAccessible::Description).toStdString(), longName);
    // Sorting (the header's press) and deleting move rows: the cells of moved rows are new
    // objects, the others stay.
    const QAccessible::Id before = QAccessible::uniqueId(cell);
    header->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(list->GetSortColumn(), 0);
    cell = t->cellAt(1, 0);
    EXPECT_NE(QAccessible::uniqueId(cell), before);
    EXPECT_EQ(cell->text(QAccessible::Name).toStdString(), list->GetItemText(1, 0));
    const QAccessible::Id top = QAccessible::uniqueId(t->cellAt(0, 0));
    const QAccessible::Id second = QAccessible::uniqueId(cell);
    const std::string third = list->GetItemText(2, 0);
    list->DeleteItem(1);
    EXPECT_EQ(t->rowCount(), 2);
    EXPECT_EQ(QAccessible::uniqueId(t->cellAt(0, 0)), top);
    EXPECT_NE(QAccessible::uniqueId(t->cellAt(1, 0)), second);
    EXPECT_EQ(t->cellAt(1, 0)->text(QAccessible::Name).toStdString(), third);
}

TEST_F(AccessibilityTest, FocusAndSelectionReachTheReader) {
    Add("a.txt");
    Add("b.txt");
    Add("c.txt");
    SetReaderListening(true);
    ASSERT_TRUE(QAccessible::isActive());
    Focus();
    g_caught.clear();
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    uitest::Pump();
    // The focused row's first cell takes the focus; the selection moves with it.
    EXPECT_EQ(CountOf(QAccessible::Focus, 2, 0), 1);
    EXPECT_EQ(CountOf(QAccessible::SelectionAdd, 2, 0), 1);
    EXPECT_EQ(CountOf(QAccessible::SelectionRemove, 1, 0), 1);
    QAccessibleInterface* focused = Cell(2, 0);
    EXPECT_TRUE(focused->state().focused);
    EXPECT_TRUE(focused->state().selected);
    EXPECT_FALSE(Cell(1, 0)->state().selected);
    EXPECT_EQ(Table()->focusChild(), focused);
    // The reader selects a row as well: the list's own state.
    ASSERT_TRUE(Table()->tableInterface()->selectRow(0));
    EXPECT_NE(list->GetItemState(0, LVIS_SELECTED), 0u);
    EXPECT_EQ(Table()->tableInterface()->selectedRows(), (QList<int>{0, 2}));
    // With no reader listening nothing is sent.
    SetReaderListening(false);
    g_caught.clear();
    Key(Qt::Key_Up);
    uitest::Pump();
    EXPECT_TRUE(g_caught.empty());
}

TEST_F(AccessibilityTest, RowsAddedRemovedAndChangedAreAnnounced) {
    Add("a.txt");
    SetReaderListening(true);
    g_caught.clear();
    // A burst of appended rows is one event, at the end of the pass.
    Add("b.txt");
    Add("c.txt");
    Add("d.txt");
    EXPECT_EQ(CountOf(QAccessible::TableModelChanged), 0);
    uitest::Pump();
    ASSERT_EQ(CountOf(QAccessible::TableModelChanged), 1);
    EXPECT_EQ(LastModelChange().change, QAccessibleTableModelChangeEvent::RowsInserted);
    EXPECT_EQ(LastModelChange().first, 1);
    EXPECT_EQ(LastModelChange().last, 3);
    // Changed rows tell of the cells a reader has read, and of no others.
    Cell(1, 2);
    g_caught.clear();
    list->RedrawItems(0, 3);
    list->NotifyAccessibleCellChanged(1, 2);
    EXPECT_EQ(CountOf(QAccessible::NameChanged, 1, 2), 2);
    EXPECT_EQ(CountOf(QAccessible::NameChanged, 1, 0), 0);
    EXPECT_EQ(CountOf(QAccessible::NameChanged, 2), 0);
    EXPECT_EQ(CountOf(QAccessible::NameChanged, 3), 0);
    g_caught.clear();
    list->DeleteItem(2);
    ASSERT_EQ(CountOf(QAccessible::TableModelChanged), 1);
    EXPECT_EQ(LastModelChange().change, QAccessibleTableModelChangeEvent::RowsRemoved);
    EXPECT_EQ(LastModelChange().first, 2);
    EXPECT_EQ(Cell(2, 0)->text(QAccessible::Name), "d.txt");
}

TEST_F(AccessibilityTest, RowButtonsAreNamedAndPressable) {
    Add("a.txt");
    Add("folder", true);
    GetWebDavMgr()->SetServerAvailable(1);
    QAccessibleInterface* download = Cell(0, CDSDirListCtrl::kColDownload);
    QAccessibleInterface* remove = Cell(0, CDSDirListCtrl::kColDelete);
    EXPECT_EQ(download->role(), QAccessible::Button);
    EXPECT_EQ(download->text(QAccessible::Name), "Download");
    EXPECT_EQ(remove->text(QAccessible::Name), "Delete");
    // A folder has nothing to download: no button there.
    EXPECT_EQ(Cell(1, CDSDirListCtrl::kColDownload)->role(), QAccessible::Cell);
    ASSERT_NE(download->actionInterface(), nullptr);
    EXPECT_EQ(download->actionInterface()->actionNames(),
              QStringList{QAccessibleActionInterface::pressAction()});
    prompts.CancelFileDialog();
    download->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    prompts.AnswerMessageBox(IDNO);
    remove->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Asked(), "[save a.txt]\nConfirm to delete file a.txt?\n");
    // Any other cell does what Enter does on its row: here, download it to the save folder.
    EXPECT_EQ(view->GetFileList()->GetItemCount(), 0);
    Cell(0, 0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Asked(), "");
    EXPECT_EQ(view->GetFileList()->GetItemCount(), 1);
    // The transfer's links are buttons too, named by their column.
    QAccessibleInterface* openFolder =
        QAccessible::queryAccessibleInterface(WidgetOf(view->GetFileList()))
            ->tableInterface()
            ->cellAt(0, CDocShelfFileList::kColOpenFolder);
    EXPECT_EQ(openFolder->role(), QAccessible::Button);
    EXPECT_EQ(openFolder->text(QAccessible::Name), "Open file folder");
}

TEST_F(AccessibilityTest, CaptionsAreStaticTextsOfTheView) {
    QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(host.get());
    ASSERT_NE(panel, nullptr);
    auto texts = [&] {
        std::vector<QAccessibleInterface*> found;
        for (int i = 0; i < panel->childCount(); ++i)
            if (panel->child(i)->role() == QAccessible::StaticText)
                found.push_back(panel->child(i));
        return found;
    };
    ASSERT_EQ(texts().size(), 2u);
    QAccessibleInterface* status = texts()[0];
    QAccessibleInterface* transfers = texts()[1];
    EXPECT_EQ(status->text(QAccessible::Name), "Server status");
    EXPECT_EQ(status->text(QAccessible::Description).toStdString(), view->GetDirCaption());
    EXPECT_EQ(transfers->text(QAccessible::Name).toStdString(), view->GetTransferCaption());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(WidgetOf(view->GetFileList()))
                  ->text(QAccessible::Name),
              "Uploads and downloads");
    // A new status reaches the reader as the line is painted again.
    SetReaderListening(true);
    g_caught.clear();
    list->OnServerAvailable(false);
    ASSERT_TRUE(uitest::WaitFor(
        [&] { return status->text(QAccessible::Description).contains("Connect server failed"); }));
    EXPECT_EQ(CountOf(QAccessible::DescriptionChanged), 1);
}

// The progress cell is a progress bar to a reader, its percent a value that follows the bytes.
TEST_F(AccessibilityTest, ProgressIsAValueTheReaderHearsChange) {
    CDocShelfFileList* transfers = view->GetFileList();
    transfers->AddTransfer(1, localDir + "big.iso", "/Presenter/big.iso", 4 << 20, false);
    auto progress = [&](int64_t current) {
        IDataRecord* r = GetDataFactory(1)->CreateDataRecord();
        r->SetMethod(ds::kToTransferList);
        rec::SetU32(r, ds::key::SubMethod, ds::kDownloadProgress);
        rec::SetU32(r, ds::key::TaskID, 1);
        rec::SetI64(r, ds::key::TotalLength, 4 << 20);
        rec::SetI64(r, ds::key::CurrentProgress, current);
        transfers->OnTransferRecord(r);
        r->Release();
    };
    progress(1 << 20);
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(WidgetOf(transfers))->tableInterface();
    QAccessibleInterface* cell = table->cellAt(0, CDocShelfFileList::kColProgress);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), QAccessible::ProgressBar);
    ASSERT_NE(cell->valueInterface(), nullptr);
    EXPECT_DOUBLE_EQ(cell->valueInterface()->currentValue().toDouble(), 25.0);
    EXPECT_DOUBLE_EQ(cell->valueInterface()->maximumValue().toDouble(), 100.0);
    EXPECT_EQ(cell->text(QAccessible::Name), "25.0%");
    SetReaderListening(true);
    g_caught.clear();
    progress(3 << 20);
    ASSERT_EQ(CountOf(QAccessible::ValueChanged, 0, CDocShelfFileList::kColProgress), 1);
    for (const Caught& c : g_caught) {
        if (c.type == QAccessible::ValueChanged) {
            EXPECT_DOUBLE_EQ(c.value, 75.0);
        }
    }
    // A name cell has no value.
    EXPECT_EQ(table->cellAt(0, 0)->valueInterface(), nullptr);
}

} // namespace
