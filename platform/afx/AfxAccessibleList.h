// SPDX-License-Identifier: Apache-2.0
// Internal: what a screen reader sees of a report-view list, through Qt's accessibility API.
// The list is a table: the header's sections first, then the cells row by row. Cells are made
// when a reader asks for one, kept by (row, column) and dropped when their row moves, so a list
// of any length costs only the cells read. Events go out only while a reader listens
// (QAccessible::isActive()); with none, each hook of the control costs one lookup.
#pragma once

#include <QAccessibleWidget>
#include <cstdint>
#include <unordered_map>

#include "AfxTypes.h"

class CListCtrl;

namespace afx::detail {

class ListWidget;

class AccessibleList final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleList(ListWidget* w);
    ~AccessibleList() override;

    // The factory of list interfaces, installed once (user-interface thread, after the
    // application object).
    static void InstallFactory();

    // Hooks of CListCtrl, each given the list's widget. An append keeps every cell.
    static void OnRowsInserted(QWidget* w, int nFirst, int nLast, bool bAppended);
    static void OnRowsRemoved(QWidget* w, int nFirst, int nLast);
    static void OnRowsReset(QWidget* w);
    static void OnStateChanged(QWidget* w, int nItem, UINT nOldState, UINT nNewState);
    // The cells of rows nFirst to nLast that a reader has seen (nSubItem -1: every column).
    static void OnCellsChanged(QWidget* w, int nFirst, int nLast, int nSubItem);
    static void OnFocusGained(QWidget* w);

    // QAccessibleInterface.
    void* interface_cast(QAccessible::InterfaceType t) override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // QAccessibleTableInterface.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    // The hooks keep the cells up to date, with or without a reader.
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    // What the cells ask of the list; row -1 is the header.
    CListCtrl* Owner() const;
    QAccessibleInterface* HeaderCell(int column) const;
    QString CellText(int row, int column) const;
    QString CellTip(int row, int column) const;
    QRect CellRect(int row, int column) const;
    bool IsFocusedRow(int row) const;
    bool IsRowShown(int row) const;
    bool IsButton(int row, int column) const;
    bool CellProgress(int row, int column, double& percent) const;
    void PressButton(int row, int column);
    // What Enter does, on this row.
    void ActivateRow(int row);
    void ClickHeader(int column);

private:
    static AccessibleList* Find(QWidget* w);
    // The list's interface while a reader listens, made if need be; null otherwise.
    static AccessibleList* Listening(QWidget* w);
    static uint64_t Key(int row, int column);
    ListWidget* List() const;
    QAccessibleInterface* Cell(int row, int column) const;
    QAccessibleInterface* CachedCell(int row, int column) const;
    // Drops the cells of rows nFirst and below.
    void DropCells(int nFirst);
    void Send(int row, int column, QAccessible::Event type);
    // A progress cell's new value, if it is one.
    void SendValue(int row, int column);
    void SendModelChange(int type, int nFirst, int nLast);
    // Appends in a burst go out as one event, at the end of the pass of the event loop.
    void QueueAppended(int nFirst, int nLast);
    void FlushAppended();

    // The widget as it was made: the key of the registry even while it is being destroyed.
    QWidget* m_pListWidget;
    mutable std::unordered_map<uint64_t, QAccessible::Id> m_cells;
    int m_nAppendedFirst = -1;
    int m_nAppendedLast = -1;
};

} // namespace afx::detail
