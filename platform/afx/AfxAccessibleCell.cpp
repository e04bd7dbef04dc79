// SPDX-License-Identifier: Apache-2.0
#include "AfxAccessibleCell.h"

#include "AfxAccessibleList.h"
#include "AfxListCtrl.h"

namespace afx::detail {

AccessibleCell::AccessibleCell(AccessibleList* pTable, int row, int column)
    : m_pTable(pTable), m_row(row), m_column(column) {}

bool AccessibleCell::isValid() const {
    return m_pTable->isValid() && m_row < m_pTable->rowCount() &&
           m_column < m_pTable->columnCount();
}

QWindow* AccessibleCell::window() const {
    return m_pTable->window();
}

QAccessibleInterface* AccessibleCell::parent() const {
    return m_pTable;
}

QAccessibleInterface* AccessibleCell::table() const {
    return m_pTable;
}

QString AccessibleCell::Name() const {
    QString name = m_pTable->CellText(m_row, m_column);
    if (!name.isEmpty() || IsHeader() || !m_pTable->IsButton(m_row, m_column))
        return name;
    name = m_pTable->CellTip(m_row, m_column);
    return name.isEmpty() ? m_pTable->columnDescription(m_column) : name;
}

QString AccessibleCell::text(QAccessible::Text t) const {
    if (!isValid())
        return QString();
    if (t == QAccessible::Name)
        return Name();
    if (t == QAccessible::Description && !IsHeader())
        return m_pTable->CellTip(m_row, m_column);
    return QString();
}

bool AccessibleCell::HasProgress() const {
    double percent = 0;
    return !IsHeader() && isValid() && m_pTable->CellProgress(m_row, m_column, percent);
}

QVariant AccessibleCell::currentValue() const {
    double percent = 0;
    if (IsHeader() || !isValid() || !m_pTable->CellProgress(m_row, m_column, percent))
        return QVariant();
    return percent;
}

QRect AccessibleCell::rect() const {
    return isValid() ? m_pTable->CellRect(m_row, m_column) : QRect();
}

QAccessible::Role AccessibleCell::role() const {
    if (IsHeader())
        return QAccessible::ColumnHeader;
    if (isValid() && m_pTable->IsButton(m_row, m_column))
        return QAccessible::Button;
    return HasProgress() ? QAccessible::ProgressBar : QAccessible::Cell;
}

QAccessible::State AccessibleCell::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    if (IsHeader())
        return s;
    s.selectable = true;
    s.focusable = true;
    s.selected = isSelected();
    // The row has the keyboard; its first cell stands for it.
    s.focused = m_column == 0 && m_pTable->IsFocusedRow(m_row);
    s.offscreen = !m_pTable->IsRowShown(m_row);
    s.invisible = s.offscreen;
    return s;
}

void* AccessibleCell::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TableCellInterface && !IsHeader())
        return static_cast<QAccessibleTableCellInterface*>(this);
    if (t == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    if (t == QAccessible::ValueInterface && HasProgress())
        return static_cast<QAccessibleValueInterface*>(this);
    return nullptr;
}

bool AccessibleCell::isSelected() const {
    return !IsHeader() && m_pTable->isRowSelected(m_row);
}

QList<QAccessibleInterface*> AccessibleCell::columnHeaderCells() const {
    QAccessibleInterface* header = m_pTable->HeaderCell(m_column);
    return header != nullptr ? QList<QAccessibleInterface*>{header}
                             : QList<QAccessibleInterface*>{};
}

QStringList AccessibleCell::actionNames() const {
    return isValid() ? QStringList{pressAction()} : QStringList{};
}

void AccessibleCell::doAction(const QString& actionName) {
    if (actionName != pressAction() || !isValid())
        return;
    if (IsHeader())
        m_pTable->ClickHeader(m_column);
    else if (m_pTable->IsButton(m_row, m_column))
        m_pTable->PressButton(m_row, m_column);
    else
        m_pTable->ActivateRow(m_row);
}

QStringList AccessibleCell::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction() && !IsHeader() && !m_pTable->IsButton(m_row, m_column))
        return {QStringLiteral("Return")};
    return {};
}

} // namespace afx::detail
