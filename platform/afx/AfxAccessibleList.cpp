// SPDX-License-Identifier: Apache-2.0
#include "AfxAccessibleList.h"

#include <QTimer>

#include "AfxAccessibleCell.h"
#include "AfxListCtrl.h"
#include "AfxListWidget.h"
#include "AfxQt.h"

namespace afx::detail {

namespace {

// Every interface of a list, by its widget: the hooks look here without making one.
std::unordered_map<QWidget*, AccessibleList*>& Interfaces() {
    static std::unordered_map<QWidget*, AccessibleList*> interfaces;
    return interfaces;
}

QAccessibleInterface* ListFactory(const QString&, QObject* object) {
    auto* w = dynamic_cast<ListWidget*>(object);
    return w != nullptr ? new AccessibleList(w) : nullptr;
}

} // namespace

AccessibleList::AccessibleList(ListWidget* w)
    : QAccessibleWidget(w, QAccessible::Table), m_pListWidget(w) {
    Interfaces()[w] = this;
}

AccessibleList::~AccessibleList() {
    auto it = Interfaces().find(m_pListWidget);
    if (it != Interfaces().end() && it->second == this)
        Interfaces().erase(it);
    for (const auto& cell : m_cells)
        QAccessible::deleteAccessibleInterface(cell.second);
}

void AccessibleList::InstallFactory() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(&ListFactory);
    installed = true;
}

AccessibleList* AccessibleList::Find(QWidget* w) {
    auto it = Interfaces().find(w);
    return it != Interfaces().end() ? it->second : nullptr;
}

AccessibleList* AccessibleList::Listening(QWidget* w) {
    if (w == nullptr || !QAccessible::isActive())
        return nullptr;
    return dynamic_cast<AccessibleList*>(QAccessible::queryAccessibleInterface(w));
}

ListWidget* AccessibleList::List() const {
    return static_cast<ListWidget*>(widget());
}

CListCtrl* AccessibleList::Owner() const {
    return dynamic_cast<CListCtrl*>(LookupWindow(widget(), 0));
}

// ---- Cells ----------------------------------------------------------------------------------

uint64_t AccessibleList::Key(int row, int column) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(row + 1)) << 32) |
           static_cast<uint32_t>(column);
}

QAccessibleInterface* AccessibleList::CachedCell(int row, int column) const {
    auto it = m_cells.find(Key(row, column));
    return it != m_cells.end() ? QAccessible::accessibleInterface(it->second) : nullptr;
}

QAccessibleInterface* AccessibleList::Cell(int row, int column) const {
    if (row < -1 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    if (QAccessibleInterface* cell = CachedCell(row, column))
        return cell;
    auto* cell = new AccessibleCell(const_cast<AccessibleList*>(this), row, column);
    m_cells[Key(row, column)] = QAccessible::registerAccessibleInterface(cell);
    return cell;
}

void AccessibleList::DropCells(int nFirst) {
    for (auto it = m_cells.begin(); it != m_cells.end();) {
        const int row = static_cast<int>(it->first >> 32) - 1;
        if (row < 0 || row < nFirst) {
            ++it;
            continue;
        }
        QAccessible::deleteAccessibleInterface(it->second);
        it = m_cells.erase(it);
    }
}

QAccessibleInterface* AccessibleList::cellAt(int row, int column) const {
    return row >= 0 ? Cell(row, column) : nullptr;
}

QAccessibleInterface* AccessibleList::HeaderCell(int column) const {
    return Cell(-1, column);
}

// ---- The table ------------------------------------------------------------------------------

void* AccessibleList::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QAccessible::State AccessibleList::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    CListCtrl* pList = Owner();
    if (pList != nullptr && pList->IsMultiSelect()) {
        s.multiSelectable = true;
        s.extSelectable = true;
    }
    return s;
}

int AccessibleList::columnCount() const {
    CListCtrl* pList = Owner();
    return pList != nullptr ? pList->GetColumnCount() : 0;
}

int AccessibleList::rowCount() const {
    CListCtrl* pList = Owner();
    return pList != nullptr ? pList->GetItemCount() : 0;
}

int AccessibleList::childCount() const {
    return columnCount() * (rowCount() + 1);
}

QAccessibleInterface* AccessibleList::child(int index) const {
    const int columns = columnCount();
    if (index < 0 || columns == 0)
        return nullptr;
    return Cell(index / columns - 1, index % columns);
}

int AccessibleList::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const AccessibleCell*>(child);
    if (cell == nullptr || cell->Table() != this || !cell->isValid())
        return -1;
    return (cell->rowIndex() + 1) * columnCount() + cell->columnIndex();
}

QAccessibleInterface* AccessibleList::childAt(int x, int y) const {
    CListCtrl* pList = Owner();
    if (pList == nullptr)
        return nullptr;
    const QPoint p = widget()->mapFromGlobal(QPoint(x, y));
    if (p.y() < pList->GetHeaderHeight())
        return HeaderCell(List()->m_header->logicalIndexAt(p.x()));
    LVHITTESTINFO info{};
    info.pt = POINT{p.x(), p.y()};
    return pList->SubItemHitTest(&info) >= 0 ? Cell(info.iItem, info.iSubItem) : nullptr;
}

QAccessibleInterface* AccessibleList::focusChild() const {
    CListCtrl* pList = Owner();
    if (pList == nullptr || !widget()->hasFocus())
        return nullptr;
    const int row = pList->FocusedRow();
    return row >= 0 ? Cell(row, 0) : nullptr;
}

QString AccessibleList::columnDescription(int column) const {
    if (column < 0 || column >= columnCount())
        return QString();
    return List()->m_header->model()->headerData(column, Qt::Horizontal).toString();
}

QList<int> AccessibleList::selectedRows() const {
    QList<int> rows;
    CListCtrl* pList = Owner();
    for (int row = pList != nullptr ? pList->GetNextItem(-1, LVNI_SELECTED) : -1; row >= 0;
         row = pList->GetNextItem(row, LVNI_SELECTED))
        rows.append(row);
    return rows;
}

int AccessibleList::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

int AccessibleList::selectedCellCount() const {
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface*> AccessibleList::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows())
        for (int column = 0; column < columnCount(); ++column)
            cells.append(Cell(row, column));
    return cells;
}

bool AccessibleList::isRowSelected(int row) const {
    CListCtrl* pList = Owner();
    return pList != nullptr && pList->GetItemState(row, LVIS_SELECTED) != 0;
}

bool AccessibleList::selectRow(int row) {
    CListCtrl* pList = Owner();
    return pList != nullptr && pList->SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

bool AccessibleList::unselectRow(int row) {
    CListCtrl* pList = Owner();
    return pList != nullptr && pList->SetItemState(row, 0, LVIS_SELECTED);
}

// ---- What the cells ask ---------------------------------------------------------------------

QString AccessibleList::CellText(int row, int column) const {
    if (row < 0)
        return columnDescription(column);
    CListCtrl* pList = Owner();
    return pList != nullptr ? FromAnsi(pList->GetItemText(row, column)) : QString();
}

QString AccessibleList::CellTip(int row, int column) const {
    CListCtrl* pList = Owner();
    return pList != nullptr && row >= 0 ? FromAnsi(pList->GetItemTip(row, column)) : QString();
}

QRect AccessibleList::CellRect(int row, int column) const {
    CListCtrl* pList = Owner();
    if (pList == nullptr)
        return QRect();
    if (row < 0) {
        const QHeaderView* header = List()->m_header;
        const QRect section(header->sectionViewportPosition(column), 0, header->sectionSize(column),
                            header->height());
        return QRect(header->mapToGlobal(section.topLeft()), section.size());
    }
    RECT r{};
    pList->GetSubItemRect(row, column, LVIR_LABEL, r);
    const QRect local = ToQRect(r);
    return QRect(widget()->mapToGlobal(local.topLeft()), local.size());
}

bool AccessibleList::IsFocusedRow(int row) const {
    CListCtrl* pList = Owner();
    return pList != nullptr && widget()->hasFocus() && pList->FocusedRow() == row;
}

bool AccessibleList::IsRowShown(int row) const {
    CListCtrl* pList = Owner();
    return pList != nullptr && pList->IsRowVisible(row);
}

bool AccessibleList::IsButton(int row, int column) const {
    CListCtrl* pList = Owner();
    return pList != nullptr && row >= 0 && pList->IsCellButton(row, column);
}

bool AccessibleList::CellProgress(int row, int column, double& percent) const {
    CListCtrl* pList = Owner();
    return pList != nullptr && row >= 0 && pList->GetCellProgress(row, column, percent);
}

void AccessibleList::PressButton(int row, int column) {
    if (CListCtrl* pList = Owner())
        pList->PressCellButton(row, column);
}

void AccessibleList::ActivateRow(int row) {
    CListCtrl* pList = Owner();
    if (pList == nullptr)
        return;
    // A row of the selection keeps it: Enter acts on all of it.
    if (pList->GetItemState(row, LVIS_SELECTED) == 0)
        pList->SelectOnly(row);
    else
        pList->SetFocusRow(row);
    pList->OnKeyDown(VK_RETURN, 0);
}

void AccessibleList::ClickHeader(int column) {
    if (CListCtrl* pList = Owner())
        pList->OnColumnClick(column);
}

// ---- Events ---------------------------------------------------------------------------------

void AccessibleList::Send(int row, int column, QAccessible::Event type) {
    if (QAccessibleInterface* cell = Cell(row, column)) {
        QAccessibleEvent event(cell, type);
        QAccessible::updateAccessibility(&event);
    }
}

void AccessibleList::SendValue(int row, int column) {
    double percent = 0;
    if (!CellProgress(row, column, percent))
        return;
    if (QAccessibleInterface* cell = Cell(row, column)) {
        QAccessibleValueChangeEvent event(cell, percent);
        QAccessible::updateAccessibility(&event);
    }
}

void AccessibleList::SendModelChange(int type, int nFirst, int nLast) {
    QAccessibleTableModelChangeEvent event(
        widget(), static_cast<QAccessibleTableModelChangeEvent::ModelChangeType>(type));
    event.setFirstRow(nFirst);
    event.setLastRow(nLast);
    QAccessible::updateAccessibility(&event);
}

void AccessibleList::QueueAppended(int nFirst, int nLast) {
    if (m_nAppendedFirst >= 0 && nFirst == m_nAppendedLast + 1) {
        m_nAppendedLast = nLast;
        return;
    }
    FlushAppended();
    m_nAppendedFirst = nFirst;
    m_nAppendedLast = nLast;
    QWidget* w = widget();
    QTimer::singleShot(0, w, [w] {
        if (AccessibleList* a = Find(w))
            a->FlushAppended();
    });
}

void AccessibleList::FlushAppended() {
    if (m_nAppendedFirst < 0)
        return;
    const int first = m_nAppendedFirst;
    m_nAppendedFirst = -1;
    if (QAccessible::isActive())
        SendModelChange(QAccessibleTableModelChangeEvent::RowsInserted, first, m_nAppendedLast);
}

void AccessibleList::OnRowsInserted(QWidget* w, int nFirst, int nLast, bool bAppended) {
    AccessibleList* a = Find(w);
    if (a != nullptr && !bAppended)
        a->DropCells(nFirst);
    a = Listening(w);
    if (a == nullptr)
        return;
    if (bAppended) {
        a->QueueAppended(nFirst, nLast);
        return;
    }
    a->FlushAppended();
    a->SendModelChange(QAccessibleTableModelChangeEvent::RowsInserted, nFirst, nLast);
}

void AccessibleList::OnRowsRemoved(QWidget* w, int nFirst, int nLast) {
    if (AccessibleList* a = Find(w))
        a->DropCells(nFirst);
    if (AccessibleList* a = Listening(w)) {
        a->FlushAppended();
        a->SendModelChange(QAccessibleTableModelChangeEvent::RowsRemoved, nFirst, nLast);
    }
}

void AccessibleList::OnRowsReset(QWidget* w) {
    if (AccessibleList* a = Find(w)) {
        a->DropCells(0);
        a->m_nAppendedFirst = -1;
    }
    if (AccessibleList* a = Listening(w))
        a->SendModelChange(QAccessibleTableModelChangeEvent::ModelReset, -1, -1);
}

void AccessibleList::OnStateChanged(QWidget* w, int nItem, UINT nOldState, UINT nNewState) {
    AccessibleList* a = Listening(w);
    if (a == nullptr)
        return;
    a->FlushAppended();
    const UINT changed = nOldState ^ nNewState;
    if (changed & LVIS_SELECTED) {
        const bool bMulti = a->state().multiSelectable;
        a->Send(nItem, 0,
                !(nNewState & LVIS_SELECTED) ? QAccessible::SelectionRemove
                : bMulti                     ? QAccessible::SelectionAdd
                                             : QAccessible::Selection);
    }
    if ((changed & nNewState & LVIS_FOCUSED) && w->hasFocus())
        a->Send(nItem, 0, QAccessible::Focus);
}

void AccessibleList::OnCellsChanged(QWidget* w, int nFirst, int nLast, int nSubItem) {
    AccessibleList* a = Listening(w);
    if (a == nullptr)
        return;
    // Only the cells a reader has seen: the others it reads afresh when it comes to them.
    std::vector<std::pair<int, int>> seen;
    for (const auto& cell : a->m_cells) {
        const int row = static_cast<int>(cell.first >> 32) - 1;
        const int column = static_cast<int>(cell.first & 0xFFFFFFFFu);
        if (row >= nFirst && row <= nLast && (nSubItem < 0 || column == nSubItem))
            seen.emplace_back(row, column);
    }
    for (const auto& [row, column] : seen) {
        a->Send(row, column, QAccessible::NameChanged);
        if (!a->CellTip(row, column).isEmpty())
            a->Send(row, column, QAccessible::DescriptionChanged);
        a->SendValue(row, column);
    }
}

void AccessibleList::OnFocusGained(QWidget* w) {
    // After Qt has announced the list itself, its focused row.
    QTimer::singleShot(0, w, [w] {
        AccessibleList* a = Listening(w);
        CListCtrl* pList = a != nullptr ? a->Owner() : nullptr;
        const int row = pList != nullptr && w->hasFocus() ? pList->FocusedRow() : -1;
        if (row >= 0)
            a->Send(row, 0, QAccessible::Focus);
    });
}

} // namespace afx::detail
