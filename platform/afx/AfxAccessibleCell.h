// SPDX-License-Identifier: Apache-2.0
// Internal: one cell of an accessible list, or one section of its header (row -1). It reads
// everything from its list when asked and keeps only its place; the list owns it.
#pragma once

#include <QAccessibleInterface>

namespace afx::detail {

class AccessibleList;

class AccessibleCell final : public QAccessibleInterface,
                             public QAccessibleTableCellInterface,
                             public QAccessibleActionInterface,
                             public QAccessibleValueInterface {
public:
    AccessibleCell(AccessibleList* pTable, int row, int column);

    bool IsHeader() const { return m_row < 0; }
    const AccessibleList* Table() const { return m_pTable; }

    // QAccessibleInterface.
    bool isValid() const override;
    // Null: events name a cell by its id, as Qt's own table cells do.
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTableCellInterface.
    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override;

    // QAccessibleActionInterface: a button presses, a header sorts, any other cell does what
    // Enter does on its row.
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // QAccessibleValueInterface, for a cell that shows a progress: its percent.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.1; }

private:
    bool HasProgress() const;
    // A button without a text of its own is named by its tip, else by its column.
    QString Name() const;

    AccessibleList* m_pTable;
    int m_row;
    int m_column;
};

} // namespace afx::detail
