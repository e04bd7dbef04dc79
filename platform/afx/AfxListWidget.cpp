// SPDX-License-Identifier: Apache-2.0
#include "AfxListWidget.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>

#include "AfxListCtrl.h"
#include "AfxQt.h"

namespace afx::detail {

ListWidget::ListWidget(CListCtrl* pOwner, QWidget* parent)
    : AfxWidget(parent), m_header(new QHeaderView(Qt::Horizontal, this)),
      m_model(new QStandardItemModel(0, 0, this)), m_vbar(new QScrollBar(Qt::Vertical, this)),
      m_hbar(new QScrollBar(Qt::Horizontal, this)), m_pOwner(pOwner) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    // Tab reaches the list as a click does.
    setFocusPolicy(Qt::StrongFocus);
    m_header->setModel(m_model);
    m_header->setSectionsClickable(true);
    m_header->setHighlightSections(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setStretchLastSection(false);
    m_header->setMinimumSectionSize(0);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_vbar->hide();
    m_hbar->hide();
    QObject::connect(m_header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (m_pOwner != nullptr)
            m_pOwner->OnColumnClick(section);
    });
    QObject::connect(m_header, &QHeaderView::sectionResized, this,
                     [this](int section, int, int newSize) {
                         if (m_pOwner != nullptr)
                             m_pOwner->OnSectionResized(section, newSize);
                     });
    QObject::connect(m_vbar, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_pOwner != nullptr)
            m_pOwner->SetTopIndex(value);
    });
    QObject::connect(m_hbar, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_pOwner != nullptr)
            m_pOwner->SetScrollX(value);
    });
}

ListWidget::~ListWidget() {
    if (m_pOwner != nullptr)
        m_pOwner->OnWidgetGoing();
}

void ListWidget::ReleaseOwner() {
    m_pOwner = nullptr;
}

void ListWidget::FlushOwnerSync() {
    if (m_pOwner != nullptr)
        m_pOwner->FlushSync();
}

void ListWidget::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange && m_pOwner != nullptr) {
        m_pOwner->m_nRowHeight = 0;
        m_pOwner->SyncScroll();
    }
    AfxWidget::changeEvent(e);
}

// The header on top, the vertical bar beside the rows, the horizontal bar below them.
void ListWidget::LayoutChildren() {
    const int h = m_header->sizeHint().height();
    m_header->setGeometry(0, 0, width(), h);
    const int barWidth = m_vbar->sizeHint().width();
    const int barHeight = m_hbar->isHidden() ? 0 : m_hbar->sizeHint().height();
    m_vbar->setGeometry(width() - barWidth, h, barWidth, std::max(height() - h - barHeight, 0));
    const int rowsWidth = width() - (m_vbar->isHidden() ? 0 : barWidth);
    m_hbar->setGeometry(0, height() - barHeight, std::max(rowsWidth, 0), barHeight);
    if (m_pOwner != nullptr)
        m_pOwner->SyncScroll();
}

void ListWidget::resizeEvent(QResizeEvent* e) {
    AfxWidget::resizeEvent(e);
    // The fill column follows the width.
    if (m_pOwner != nullptr)
        m_pOwner->SyncHeader();
    else
        LayoutChildren();
}

void ListWidget::wheelEvent(QWheelEvent* e) {
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0 && m_pOwner != nullptr)
        m_pOwner->SetTopIndex(m_pOwner->GetTopIndex() - steps * 3);
    const int across = e->angleDelta().x() / 120;
    if (across != 0 && m_pOwner != nullptr)
        m_pOwner->SetScrollX(m_pOwner->m_nScrollX - across * m_hbar->singleStep());
    e->accept();
}

bool ListWidget::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        ShowTip(static_cast<QHelpEvent*>(e));
        return true;
    }
    return AfxWidget::event(e);
}

void ListWidget::ShowTip(QHelpEvent* e) {
    LVHITTESTINFO info{};
    info.pt = POINT{e->pos().x(), e->pos().y()};
    const std::string tip = m_pOwner != nullptr && m_pOwner->SubItemHitTest(&info) >= 0
                                ? m_pOwner->GetItemTip(info.iItem, info.iSubItem)
                                : std::string();
    if (tip.empty()) {
        QToolTip::hideText();
        e->ignore();
        return;
    }
    RECT cell{};
    m_pOwner->GetSubItemRect(info.iItem, info.iSubItem,
                             info.iSubItem == 0 ? LVIR_LABEL : LVIR_BOUNDS, cell);
    QToolTip::showText(e->globalPos(), FromAnsi(tip), this,
                       QRect(cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top));
}

void ListWidget::focusInEvent(QFocusEvent* e) {
    AfxWidget::focusInEvent(e);
    if (m_pOwner != nullptr)
        m_pOwner->OnFocusGained();
    update(); // the focus mark
}

void ListWidget::focusOutEvent(QFocusEvent* e) {
    AfxWidget::focusOutEvent(e);
    update();
}

void ListWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && m_pOwner != nullptr) {
        QPoint p = e->position().toPoint();
        m_pOwner->OnDoubleClick(POINT{p.x(), p.y()});
    }
    e->accept();
}

void ListWidget::contextMenuEvent(QContextMenuEvent* e) {
    // The Menu key comes at the pointer's position, which says nothing of the row meant.
    if (m_pOwner != nullptr && e->reason() == QContextMenuEvent::Keyboard)
        m_pOwner->OnKeyboardContextMenu();
    else if (m_pOwner != nullptr)
        m_pOwner->OnRightClick(POINT{e->pos().x(), e->pos().y()});
    e->accept();
}

} // namespace afx::detail
