#include "AfxListWidget.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "AfxListCtrl.h"

namespace afx::detail {

ListWidget::ListWidget(CListCtrl* pOwner, QWidget* parent)
    : AfxWidget(parent), m_header(new QHeaderView(Qt::Horizontal, this)),
      m_model(new QStandardItemModel(0, 0, this)), m_vbar(new QScrollBar(Qt::Vertical, this)),
      m_pOwner(pOwner) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setFocusPolicy(Qt::ClickFocus);
    m_header->setModel(m_model);
    m_header->setSectionsClickable(true);
    m_header->setHighlightSections(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setStretchLastSection(false);
    m_header->setMinimumSectionSize(0);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_vbar->hide();
    QObject::connect(m_header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (m_pOwner != nullptr)
            m_pOwner->OnColumnClick(section);
    });
    QObject::connect(
        m_header, &QHeaderView::sectionResized, this, [this](int section, int, int newSize) {
            if (m_pOwner != nullptr && section >= 0 && section < m_pOwner->GetColumnCount() &&
                m_pOwner->m_columns[static_cast<size_t>(section)].width != newSize) {
                m_pOwner->m_columns[static_cast<size_t>(section)].width = newSize;
                update();
            }
        });
    QObject::connect(m_vbar, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_pOwner != nullptr)
            m_pOwner->SetTopIndex(value);
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

void ListWidget::LayoutChildren() {
    const int h = m_header->sizeHint().height();
    m_header->setGeometry(0, 0, width(), h);
    const int barWidth = m_vbar->sizeHint().width();
    m_vbar->setGeometry(width() - barWidth, h, barWidth, height() - h < 0 ? 0 : height() - h);
    if (m_pOwner != nullptr)
        m_pOwner->SyncScroll();
}

void ListWidget::resizeEvent(QResizeEvent* e) {
    AfxWidget::resizeEvent(e);
    LayoutChildren();
}

void ListWidget::wheelEvent(QWheelEvent* e) {
    const int steps = e->angleDelta().y() / 120;
    if (steps != 0 && m_pOwner != nullptr)
        m_pOwner->SetTopIndex(m_pOwner->GetTopIndex() - steps * 3);
    e->accept();
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
