// SPDX-License-Identifier: Apache-2.0
// Internal: the widget behind CListCtrl, with its header and vertical scroll bar.
#pragma once

#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>

#include "AfxWndHook.h"

class CListCtrl;

namespace afx::detail {

class ListWidget final : public AfxWidget {
public:
    ListWidget(CListCtrl* pOwner, QWidget* parent);
    ~ListWidget() override;

    void LayoutChildren();
    // The control let the widget go (it may outlive the control until Qt deletes it).
    void ReleaseOwner();
    // Runs the owner's deferred relayout, if the owner is still there.
    void FlushOwnerSync();

    QHeaderView* m_header;
    QStandardItemModel* m_model;
    QScrollBar* m_vbar;
    QScrollBar* m_hbar;

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent*) override {}

private:
    // The hovered cell's tip, or none.
    void ShowTip(QHelpEvent* e);

    CListCtrl* m_pOwner;
};

} // namespace afx::detail
