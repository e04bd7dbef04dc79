// SPDX-License-Identifier: Apache-2.0
#include "AfxListCtrl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <algorithm>
#include <numeric>

#include "AfxAccessibleList.h"
#include "AfxDC.h"
#include "AfxListWidget.h"
#include "AfxQt.h"

using namespace afx::detail;

namespace {

constexpr int kTextPadding = 6;
// Left and Right scroll the columns by this much.
constexpr int kHorizontalStep = 30;
constexpr UINT kDefaultTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

Qt::Alignment HeaderAlignment(int format) {
    if (format & LVCFMT_CENTER)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    if (format & LVCFMT_RIGHT)
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

} // namespace

CListCtrl::CListCtrl() : m_header(this) {}

CListCtrl::~CListCtrl() {
    DestroyWindow();
}

ListWidget* CListCtrl::Widget() const {
    return static_cast<ListWidget*>(GetWidget());
}

void CListCtrl::OnReleaseWidget(QWidget* pWidget) {
    static_cast<ListWidget*>(pWidget)->ReleaseOwner();
    m_header.m_hWnd = nullptr;
}

QWidget* CListCtrl::CreateWidget(QWidget* pParent) {
    AccessibleList::InstallFactory();
    auto* w = new ListWidget(this, pParent);
    m_header.m_hWnd = ToHwnd(w->m_header);
    m_nTopIndex = 0;
    SyncHeader();
    return w;
}

void CListCtrl::ApplyEnabled(QWidget* pWidget, bool bEnabled) {
    auto* w = dynamic_cast<ListWidget*>(pWidget);
    if (w == nullptr) {
        CWnd::ApplyEnabled(pWidget, bEnabled);
        return;
    }
    w->setEnabled(true);
    w->m_header->setEnabled(bEnabled);
    w->m_vbar->setEnabled(bEnabled);
    w->m_hbar->setEnabled(bEnabled);
}

void CListCtrl::OnWidgetGoing() {
    m_header.m_hWnd = nullptr;
}

void CListCtrl::SyncHeader() {
    ListWidget* w = Widget();
    if (w == nullptr)
        return;
    const int n = GetColumnCount();
    if (w->m_model->columnCount() != n)
        w->m_model->setColumnCount(n);
    m_bSyncingHeader = true;
    for (int i = 0; i < n; ++i) {
        const Column& c = m_columns[static_cast<size_t>(i)];
        w->m_model->setHeaderData(i, Qt::Horizontal, FromAnsi(c.text), Qt::DisplayRole);
        // A narrow column cuts its header: hovering shows it whole.
        w->m_model->setHeaderData(i, Qt::Horizontal, FromAnsi(c.text), Qt::ToolTipRole);
        // As in the framework, the first column is always left-aligned.
        w->m_model->setHeaderData(
            i, Qt::Horizontal,
            QVariant::fromValue(HeaderAlignment(i == 0 ? LVCFMT_LEFT : c.format)),
            Qt::TextAlignmentRole);
        const int shown = GetShownColumnWidth(i);
        if (w->m_header->sectionSize(i) != shown)
            w->m_header->resizeSection(i, shown);
    }
    m_bSyncingHeader = false;
    w->m_header->setOffset(m_nScrollX);
    w->LayoutChildren();
    w->update();
}

// A drag of a header divider sets the column's width; for the fill column the drawn width
// is what was dragged.
void CListCtrl::OnSectionResized(int nCol, int nNewSize) {
    if (m_bSyncingHeader || nCol < 0 || nCol >= GetColumnCount() ||
        GetShownColumnWidth(nCol) == nNewSize)
        return;
    m_columns[static_cast<size_t>(nCol)].width = nNewSize;
    SyncHeader();
}

int CListCtrl::InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat, int nWidth, int) {
    if (nCol < 0)
        return -1;
    nCol = std::min(nCol, GetColumnCount());
    Column c;
    c.text = lpszColumnHeading != nullptr ? lpszColumnHeading : "";
    c.format = nFormat;
    c.width = nWidth < 0 ? 100 : nWidth;
    m_columns.insert(m_columns.begin() + nCol, c);
    for (Item& item : m_items)
        if (item.texts.size() > static_cast<size_t>(nCol))
            item.texts.insert(item.texts.begin() + nCol, std::string());
    SyncHeader();
    return nCol;
}

BOOL CListCtrl::DeleteColumn(int nCol) {
    if (nCol < 0 || nCol >= GetColumnCount())
        return FALSE;
    m_columns.erase(m_columns.begin() + nCol);
    for (Item& item : m_items)
        if (item.texts.size() > static_cast<size_t>(nCol))
            item.texts.erase(item.texts.begin() + nCol);
    SyncHeader();
    return TRUE;
}

int CListCtrl::GetColumnWidth(int nCol) const {
    if (nCol < 0 || nCol >= GetColumnCount())
        return 0;
    return m_columns[static_cast<size_t>(nCol)].width;
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
    if (nCol < 0 || nCol >= GetColumnCount())
        return FALSE;
    m_columns[static_cast<size_t>(nCol)].width = cx < 0 ? 0 : cx;
    SyncHeader();
    return TRUE;
}

void CListCtrl::SetFillColumn(int nCol) {
    m_nFillColumn = nCol;
    SyncHeader();
}

int CListCtrl::GetShownColumnWidth(int nCol) const {
    if (nCol < 0 || nCol >= GetColumnCount())
        return 0;
    const int width = m_columns[static_cast<size_t>(nCol)].width;
    return nCol == m_nFillColumn ? width + ExtraFillWidth() : width;
}

int CListCtrl::ExtraFillWidth() const {
    ListWidget* w = Widget();
    if (m_nFillColumn < 0 || m_nFillColumn >= GetColumnCount() || w == nullptr)
        return 0;
    return std::max(RowsWidth() - ColumnsWidth(), 0);
}

// The columns' widths as set, before the fill column takes what is left.
int CListCtrl::ColumnsWidth() const {
    int total = 0;
    for (const Column& c : m_columns)
        total += c.width;
    return total;
}

// The width the rows have, without the vertical bar.
int CListCtrl::RowsWidth() const {
    ListWidget* w = Widget();
    if (w == nullptr)
        return 0;
    return w->width() - (w->m_vbar->isHidden() ? 0 : w->m_vbar->sizeHint().width());
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) {
    DWORD old = m_dwExStyle;
    m_dwExStyle = dwNewStyle;
    Invalidate();
    return old;
}

int CListCtrl::InsertItem(int nItem, const char* lpszItem) {
    if (nItem < 0)
        return -1;
    nItem = std::min(nItem, GetItemCount());
    Item item;
    if (lpszItem != nullptr)
        item.texts.push_back(lpszItem);
    const bool bAppend = nItem == GetItemCount();
    m_items.insert(m_items.begin() + nItem, std::move(item));
    if (bAppend && m_bDataIndexValid)
        m_dataIndex.emplace(0, nItem);
    else
        m_bDataIndexValid = false;
    AccessibleList::OnRowsInserted(GetWidget(), nItem, nItem, bAppend);
    ScheduleSync();
    return nItem;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const char* lpszText) {
    if (nItem < 0 || nItem >= GetItemCount() || nSubItem < 0 ||
        (nSubItem > 0 && nSubItem >= GetColumnCount()))
        return FALSE;
    auto& texts = m_items[static_cast<size_t>(nItem)].texts;
    if (texts.size() <= static_cast<size_t>(nSubItem))
        texts.resize(static_cast<size_t>(nSubItem) + 1);
    std::string text = lpszText != nullptr ? lpszText : "";
    if (texts[static_cast<size_t>(nSubItem)] == text)
        return TRUE;
    texts[static_cast<size_t>(nSubItem)] = std::move(text);
    InvalidateItem(nItem);
    AccessibleList::OnCellsChanged(GetWidget(), nItem, nItem, nSubItem);
    return TRUE;
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    if (nItem < 0 || nItem >= GetItemCount() || nSubItem < 0)
        return std::string();
    return OnGetItemText(nItem, nSubItem);
}

std::string CListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    const auto& texts = m_items[static_cast<size_t>(nItem)].texts;
    return static_cast<size_t>(nSubItem) < texts.size() ? texts[static_cast<size_t>(nSubItem)]
                                                        : std::string();
}

std::string CListCtrl::GetItemTip(int nItem, int nSubItem) const {
    if (nItem < 0 || nItem >= GetItemCount() || nSubItem < 0 || nSubItem >= GetColumnCount())
        return std::string();
    return OnGetItemTip(nItem, nSubItem);
}

std::string CListCtrl::OnGetItemTip(int nItem, int nSubItem) const {
    std::string text = GetItemText(nItem, nSubItem);
    return TextFits(text, nSubItem) ? std::string() : text;
}

bool CListCtrl::TextFits(const std::string& text, int nSubItem) const {
    QWidget* w = GetWidget();
    const QFontMetrics fm(w != nullptr ? w->font() : QApplication::font());
    const int room = GetShownColumnWidth(nSubItem) - kTextPadding - kTextPadding / 2;
    return fm.horizontalAdvance(FromAnsi(text)) <= room;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
    if (nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    Item& item = m_items[static_cast<size_t>(nItem)];
    if (item.data == dwData)
        return TRUE;
    // The common case, setting the data of a row just appended, keeps the index.
    if (m_bDataIndexValid && nItem == GetItemCount() - 1) {
        auto old = m_dataIndex.find(item.data);
        if (old != m_dataIndex.end() && old->second == nItem)
            m_dataIndex.erase(old);
        m_dataIndex.emplace(dwData, nItem);
    } else {
        m_bDataIndexValid = false;
    }
    item.data = dwData;
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
    if (nItem < 0 || nItem >= GetItemCount())
        return 0;
    return m_items[static_cast<size_t>(nItem)].data;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    // -1 applies to every row, as the framework allows.
    if (nItem == -1) {
        for (int i = 0; i < GetItemCount(); ++i)
            SetItemState(i, nState, nMask);
        return TRUE;
    }
    if (nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    Item& item = m_items[static_cast<size_t>(nItem)];
    const UINT newState = (item.state & ~nMask) | (nState & nMask);
    if ((GetStyle() & LVS_SINGLESEL) && (newState & LVIS_SELECTED) && !(item.state & LVIS_SELECTED))
        for (int i = 0; i < GetItemCount(); ++i)
            if (i != nItem && (m_items[static_cast<size_t>(i)].state & LVIS_SELECTED)) {
                const UINT old = m_items[static_cast<size_t>(i)].state;
                m_items[static_cast<size_t>(i)].state &= ~LVIS_SELECTED;
                InvalidateItem(i);
                NotifyItemChanged(i, old, old & ~LVIS_SELECTED);
            }
    if (newState != item.state) {
        const UINT old = item.state;
        item.state = newState;
        InvalidateItem(nItem);
        NotifyItemChanged(nItem, old, newState);
    }
    return TRUE;
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
    if (nItem < 0 || nItem >= GetItemCount())
        return 0;
    return m_items[static_cast<size_t>(nItem)].state & nMask;
}

void CListCtrl::IndexRows() const {
    m_dataIndex.clear();
    m_dataIndex.reserve(m_items.size());
    for (int i = 0; i < GetItemCount(); ++i)
        m_dataIndex.emplace(m_items[static_cast<size_t>(i)].data, i);
    m_bDataIndexValid = true;
}

int CListCtrl::FindItem(LVFINDINFO* pFindInfo, int nStart) const {
    if (pFindInfo == nullptr || !(pFindInfo->flags & LVFI_PARAM))
        return -1;
    const auto data = static_cast<DWORD_PTR>(pFindInfo->lParam);
    if (nStart == -1) {
        if (!m_bDataIndexValid)
            IndexRows();
        auto it = m_dataIndex.find(data);
        return it != m_dataIndex.end() ? it->second : -1;
    }
    for (int i = nStart + 1; i < GetItemCount(); ++i)
        if (m_items[static_cast<size_t>(i)].data == data)
            return i;
    return -1;
}

BOOL CListCtrl::DeleteItem(int nItem) {
    if (nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    m_items.erase(m_items.begin() + nItem);
    m_bDataIndexValid = false;
    AccessibleList::OnRowsRemoved(GetWidget(), nItem, nItem);
    ScheduleSync();
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    m_items.clear();
    m_dataIndex.clear();
    m_bDataIndexValid = true;
    m_nTopIndex = 0;
    AccessibleList::OnRowsReset(GetWidget());
    ScheduleSync();
    return TRUE;
}

void CListCtrl::ScheduleSync() {
    Invalidate();
    ListWidget* w = Widget();
    if (w == nullptr || m_bSyncPending)
        return;
    m_bSyncPending = true;
    QMetaObject::invokeMethod(
        w, [w] { w->FlushOwnerSync(); }, Qt::QueuedConnection);
}

void CListCtrl::FlushSync() {
    if (!m_bSyncPending)
        return;
    m_bSyncPending = false;
    SyncScroll();
    // Rows that came while the list had the focus: the first takes the mark.
    if (HasFocus())
        OnFocusGained();
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
    int i = GetNextItem(-1, LVNI_SELECTED);
    return i < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<intptr_t>(i) + 1);
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
    const int current = static_cast<int>(reinterpret_cast<intptr_t>(pos)) - 1;
    const int next = GetNextItem(current, LVNI_SELECTED);
    pos = next < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<intptr_t>(next) + 1);
    return current;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
    for (int i = nItem + 1; i < GetItemCount(); ++i)
        if (!(nFlags & LVNI_SELECTED) || (m_items[static_cast<size_t>(i)].state & LVIS_SELECTED))
            return i;
    return -1;
}

int CListCtrl::GetRowHeight() const {
    if (m_nRowHeight == 0) {
        QWidget* w = GetWidget();
        QFontMetrics fm(w != nullptr ? w->font() : QApplication::font());
        m_nRowHeight = std::max(fm.height() + 4, 17);
    }
    return m_nRowHeight;
}

int CListCtrl::GetHeaderHeight() const {
    ListWidget* w = Widget();
    return w != nullptr && !w->m_header->isHidden() ? w->m_header->geometry().height() : 0;
}

int CListCtrl::GetCountPerPage() const {
    RECT rc;
    GetClientRect(&rc);
    ListWidget* w = Widget();
    const int bar = w != nullptr && !w->m_hbar->isHidden() ? w->m_hbar->sizeHint().height() : 0;
    const int h = rc.bottom - GetHeaderHeight() - bar;
    return h > 0 ? h / GetRowHeight() : 0;
}

int CListCtrl::ColumnLeft(int nCol) const {
    int x = -m_nScrollX;
    for (int i = 0; i < nCol && i < GetColumnCount(); ++i)
        x += GetShownColumnWidth(i);
    return x;
}

int CListCtrl::TotalWidth() const {
    return ColumnLeft(GetColumnCount());
}

BOOL CListCtrl::GetItemRect(int nItem, RECT* lpRect, UINT nCode) const {
    if (lpRect == nullptr || nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    const int top = GetHeaderHeight() + (nItem - m_nTopIndex) * GetRowHeight();
    RECT r{ColumnLeft(0), top, TotalWidth(), top + GetRowHeight()};
    if (nCode == LVIR_ICON)
        r.right = r.left; // no state or small images in this control
    else if (nCode == LVIR_LABEL)
        r.right = GetColumnCount() > 0 ? ColumnLeft(1) : r.left;
    *lpRect = r;
    return TRUE;
}

BOOL CListCtrl::GetSubItemRect(int iItem, int iSubItem, int nArea, RECT& ref) const {
    if (iSubItem < 0 || iSubItem >= std::max(GetColumnCount(), 1))
        return FALSE;
    if (iSubItem == 0)
        return GetItemRect(iItem, &ref, static_cast<UINT>(nArea));
    RECT row;
    if (!GetItemRect(iItem, &row, LVIR_BOUNDS))
        return FALSE;
    ref = RECT{ColumnLeft(iSubItem), row.top, ColumnLeft(iSubItem + 1), row.bottom};
    return TRUE;
}

int CListCtrl::HitTest(POINT pt, UINT* pFlags) const {
    LVHITTESTINFO info;
    info.pt = pt;
    int item = HitTest(&info);
    if (pFlags != nullptr)
        *pFlags = info.flags;
    return item;
}

int CListCtrl::HitTest(LVHITTESTINFO* pHitTestInfo) const {
    int item = SubItemHitTest(pHitTestInfo);
    if (pHitTestInfo != nullptr)
        pHitTestInfo->iSubItem = 0;
    return item;
}

int CListCtrl::SubItemHitTest(LVHITTESTINFO* pInfo) const {
    if (pInfo == nullptr)
        return -1;
    pInfo->iItem = -1;
    pInfo->iSubItem = -1;
    pInfo->flags = LVHT_NOWHERE;
    const POINT pt = pInfo->pt;
    const int header = GetHeaderHeight();
    if (pt.y < header) {
        pInfo->flags = LVHT_ABOVE;
        return -1;
    }
    if (pt.x < ColumnLeft(0) || pt.x >= TotalWidth())
        return -1;
    const int row = m_nTopIndex + (pt.y - header) / GetRowHeight();
    if (row < 0 || row >= GetItemCount()) {
        pInfo->flags = row >= GetItemCount() ? LVHT_NOWHERE : LVHT_ABOVE;
        return -1;
    }
    int col = 0;
    while (col + 1 < GetColumnCount() && pt.x >= ColumnLeft(col + 1))
        ++col;
    pInfo->iItem = row;
    pInfo->iSubItem = col;
    pInfo->flags = LVHT_ONITEMLABEL;
    return row;
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) {
    if (pfnCompare == nullptr)
        return FALSE;
    std::vector<int> order(m_items.size());
    std::iota(order.begin(), order.end(), 0);
    // A merge sort stays within bounds even if the comparison is not a strict order.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return pfnCompare(static_cast<LPARAM>(m_items[static_cast<size_t>(a)].data),
                          static_cast<LPARAM>(m_items[static_cast<size_t>(b)].data),
                          static_cast<LPARAM>(dwData)) < 0;
    });
    std::vector<Item> sorted;
    sorted.reserve(m_items.size());
    for (int i : order)
        sorted.push_back(std::move(m_items[static_cast<size_t>(i)]));
    m_items = std::move(sorted);
    m_bDataIndexValid = false;
    AccessibleList::OnRowsReset(GetWidget());
    Invalidate();
    return TRUE;
}

void CListCtrl::SetTopIndex(int nTop) {
    const int maxTop = std::max(0, GetItemCount() - std::max(GetCountPerPage(), 1));
    nTop = std::clamp(nTop, 0, maxTop);
    if (nTop == m_nTopIndex) {
        SyncScroll();
        return;
    }
    m_nTopIndex = nTop;
    SyncScroll();
    Invalidate();
}

void CListCtrl::SyncScroll() {
    ListWidget* w = Widget();
    if (w == nullptr)
        return;
    const bool bHadVertical = !w->m_vbar->isHidden();
    const bool bHadHorizontal = !w->m_hbar->isHidden();
    const int page = std::max(GetCountPerPage(), 1);
    const int maxTop = std::max(0, GetItemCount() - page);
    if (m_nTopIndex > maxTop)
        m_nTopIndex = maxTop;
    {
        QSignalBlocker block(w->m_vbar);
        w->m_vbar->setRange(0, maxTop);
        w->m_vbar->setPageStep(page);
        w->m_vbar->setValue(m_nTopIndex);
        w->m_vbar->setVisible(maxTop > 0);
    }
    SyncHorizontalScroll();
    // A bar that came or went changes the room of the other and the rows' width.
    if (w->m_vbar->isHidden() == bHadVertical || w->m_hbar->isHidden() == bHadHorizontal)
        SyncHeader();
}

void CListCtrl::SyncHorizontalScroll() {
    ListWidget* w = Widget();
    const int view = RowsWidth();
    const int maxX = std::max(0, ColumnsWidth() - view);
    if (m_nScrollX > maxX)
        m_nScrollX = maxX;
    QSignalBlocker block(w->m_hbar);
    w->m_hbar->setRange(0, maxX);
    w->m_hbar->setPageStep(std::max(view, 1));
    w->m_hbar->setSingleStep(kHorizontalStep);
    w->m_hbar->setValue(m_nScrollX);
    w->m_hbar->setVisible(maxX > 0);
    w->m_header->setOffset(m_nScrollX);
}

void CListCtrl::SetScrollX(int nX) {
    ListWidget* w = Widget();
    const int maxX = w != nullptr ? w->m_hbar->maximum() : 0;
    nX = std::clamp(nX, 0, maxX);
    if (nX == m_nScrollX)
        return;
    m_nScrollX = nX;
    if (w != nullptr) {
        QSignalBlocker block(w->m_hbar);
        w->m_hbar->setValue(nX);
        w->m_header->setOffset(nX);
    }
    Invalidate();
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL bPartialOK) {
    if (nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    const int page = std::max(GetCountPerPage(), 1);
    if (nItem < m_nTopIndex)
        SetTopIndex(nItem);
    else if (nItem >= m_nTopIndex + page && !(bPartialOK && nItem == m_nTopIndex + page))
        SetTopIndex(nItem - page + 1);
    return TRUE;
}

BOOL CListCtrl::Scroll(SIZE size) {
    const int rows =
        size.cy / GetRowHeight() + (size.cy % GetRowHeight() != 0 ? (size.cy > 0 ? 1 : -1) : 0);
    SetTopIndex(m_nTopIndex + rows);
    return TRUE;
}

bool CListCtrl::IsRowVisible(int nItem) const {
    return nItem >= m_nTopIndex && nItem <= m_nTopIndex + GetCountPerPage();
}

BOOL CListCtrl::RedrawItems(int nFirst, int nLast) {
    if (nFirst < 0 || nLast < nFirst)
        return FALSE;
    for (int i = nFirst; i <= nLast; ++i)
        InvalidateItem(i);
    AccessibleList::OnCellsChanged(GetWidget(), nFirst, nLast, -1);
    return TRUE;
}

void CListCtrl::NotifyAccessibleCellChanged(int nItem, int nSubItem) {
    AccessibleList::OnCellsChanged(GetWidget(), nItem, nItem, nSubItem);
}

void CListCtrl::InvalidateItem(int nItem) {
    if (m_hWnd == nullptr || !IsRowVisible(nItem))
        return;
    RECT r;
    if (GetItemRect(nItem, &r, LVIR_BOUNDS)) {
        RECT client;
        GetClientRect(&client);
        r.right = client.right;
        InvalidateRect(&r, TRUE);
    }
}

LRESULT CListCtrl::ReflectNotify(NMHDR* pHeader) {
    pHeader->hwndFrom = m_hWnd;
    pHeader->idFrom = GetDlgCtrlID();
    return DispatchMessage(OCM_NOTIFY, GetDlgCtrlID(), reinterpret_cast<LPARAM>(pHeader));
}

void CListCtrl::OnColumnClick(int nCol) {
    NMLISTVIEW nm;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    nm.iSubItem = nCol;
    ReflectNotify(&nm.hdr);
}

void CListCtrl::OnRightClick(POINT pt) {
    // A row of the selection keeps the selection: its menu acts on all of it.
    const int item = HitTest(pt);
    if (item >= 0 && !GetItemState(item, LVIS_SELECTED))
        SelectOnly(item);
    else if (item >= 0)
        SetFocusRow(item);
    NotifyActivate(NM_RCLICK, pt);
}

void CListCtrl::OnDoubleClick(POINT pt) {
    NotifyActivate(NM_DBLCLK, pt);
}

// NM_CLICK, NM_DBLCLK or NM_RCLICK with the row and column under the point.
void CListCtrl::NotifyActivate(int nCode, POINT pt) {
    LVHITTESTINFO info;
    info.pt = pt;
    SubItemHitTest(&info);
    NMITEMACTIVATE nm;
    nm.hdr.code = nCode;
    nm.iItem = info.iItem;
    nm.iSubItem = info.iItem >= 0 ? info.iSubItem : 0;
    nm.ptAction = pt;
    ReflectNotify(&nm.hdr);
}

void CListCtrl::NotifyItemChanged(int nItem, UINT nOldState, UINT nNewState) {
    if (m_hWnd == nullptr)
        return;
    NMLISTVIEW nm;
    nm.hdr.code = LVN_ITEMCHANGED;
    nm.iItem = nItem;
    nm.uOldState = nOldState;
    nm.uNewState = nNewState;
    nm.uChanged = LVIF_STATE;
    nm.lParam = static_cast<LPARAM>(GetItemData(nItem));
    AccessibleList::OnStateChanged(GetWidget(), nItem, nOldState, nNewState);
    ReflectNotify(&nm.hdr);
}

void CListCtrl::SelectOnly(int nItem) {
    for (int i = 0; i < GetItemCount(); ++i)
        if (i != nItem && (m_items[static_cast<size_t>(i)].state & (LVIS_SELECTED | LVIS_FOCUSED)))
            SetItemState(i, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (nItem >= 0)
        SetItemState(nItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_nAnchor = nItem;
}

int CListCtrl::FocusedRow() const {
    for (int i = 0; i < GetItemCount(); ++i)
        if (m_items[static_cast<size_t>(i)].state & LVIS_FOCUSED)
            return i;
    return GetNextItem(-1, LVNI_SELECTED);
}

void CListCtrl::SetFocusRow(int nItem) {
    for (int i = 0; i < GetItemCount(); ++i)
        if (i != nItem && (m_items[static_cast<size_t>(i)].state & LVIS_FOCUSED))
            SetItemState(i, 0, LVIS_FOCUSED);
    if (nItem >= 0)
        SetItemState(nItem, LVIS_FOCUSED, LVIS_FOCUSED);
}

void CListCtrl::SelectRange(int nFrom, int nTo) {
    const int lo = std::min(nFrom, nTo);
    const int hi = std::max(nFrom, nTo);
    for (int i = 0; i < GetItemCount(); ++i)
        SetItemState(i, i >= lo && i <= hi ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

// A click or a key moved to nItem: Control adds or removes it, Shift selects from the anchor to
// it, anything else selects it alone; a list of single selection takes every one as plain.
void CListCtrl::MoveTo(int nItem, UINT nKeys, bool bToggle) {
    const bool bMulti = IsMultiSelect();
    if (bMulti && (nKeys & MK_SHIFT)) {
        SelectRange(m_nAnchor >= 0 ? m_nAnchor : nItem, nItem);
        SetFocusRow(nItem);
    } else if (bMulti && (nKeys & MK_CONTROL)) {
        if (bToggle)
            SetItemState(nItem, GetItemState(nItem, LVIS_SELECTED) ^ LVIS_SELECTED, LVIS_SELECTED);
        SetFocusRow(nItem);
        m_nAnchor = nItem;
    } else {
        SelectOnly(nItem);
    }
}

void CListCtrl::OnLButtonDown(POINT pt, UINT nKeys) {
    m_bPressed = true;
    const int row = HitTest(pt);
    if (row >= 0)
        MoveTo(row, nKeys, true);
    else
        SelectOnly(-1);
    if (QWidget* w = GetWidget())
        w->setFocus(Qt::MouseFocusReason);
}

void CListCtrl::OnLButtonUp(POINT pt) {
    if (!m_bPressed)
        return;
    m_bPressed = false;
    NotifyActivate(NM_CLICK, pt);
}

void CListCtrl::OnKeyboardContextMenu() {
    const int item = GetNextItem(-1, LVNI_SELECTED);
    if (item < 0)
        return;
    EnsureVisible(item, FALSE);
    RECT row;
    GetItemRect(item, &row, LVIR_LABEL);
    NotifyActivate(NM_RCLICK, POINT{row.left + kTextPadding, (row.top + row.bottom) / 2});
}

void CListCtrl::OnKeyDown(UINT nKey, UINT nKeys) {
    if (nKey == VK_APPS) {
        OnKeyboardContextMenu();
        return;
    }
    if (nKey == VK_RETURN) {
        NMHDR nm;
        nm.code = NM_RETURN;
        ReflectNotify(&nm);
        return;
    }
    if (nKey == VK_A && (nKeys & MK_CONTROL)) {
        if (IsMultiSelect())
            SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
        return;
    }
    if (nKey == VK_LEFT || nKey == VK_RIGHT) {
        SetScrollX(m_nScrollX + (nKey == VK_LEFT ? -kHorizontalStep : kHorizontalStep));
        return;
    }
    if (!IsNavigationKey(nKey)) {
        NMLVKEYDOWN nm;
        nm.hdr.code = LVN_KEYDOWN;
        nm.wVKey = static_cast<WORD>(nKey);
        nm.flags = nKeys;
        ReflectNotify(&nm.hdr);
        return;
    }
    const int count = GetItemCount();
    if (count == 0)
        return;
    const int current = FocusedRow();
    const int page = std::max(GetCountPerPage() - 1, 1);
    int next = current;
    switch (nKey) {
    case VK_UP:
        next = current <= 0 ? 0 : current - 1;
        break;
    case VK_DOWN:
        next = current < 0 ? 0 : std::min(current + 1, count - 1);
        break;
    case VK_HOME:
        next = 0;
        break;
    case VK_END:
        next = count - 1;
        break;
    case VK_PRIOR:
        next = std::max((current < 0 ? 0 : current) - page, 0);
        break;
    case VK_NEXT:
        next = std::min((current < 0 ? 0 : current) + page, count - 1);
        break;
    default:
        return;
    }
    MoveTo(next, nKeys, false);
    EnsureVisible(next, FALSE);
}

void CListCtrl::OnFocusGained() {
    if (FocusedRow() < 0 && GetItemCount() > 0)
        SetFocusRow(0);
    AccessibleList::OnFocusGained(GetWidget());
}

bool CListCtrl::IsNavigationKey(UINT nKey) {
    return nKey == VK_UP || nKey == VK_DOWN || nKey == VK_HOME || nKey == VK_END ||
           nKey == VK_PRIOR || nKey == VK_NEXT;
}

// Type-ahead: the letters typed within a second are the start of a row's first text; the same
// letter again moves on to the next row it starts.
void CListCtrl::OnChar(char32_t c) {
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastTyped > kTypeAheadPause)
        m_typed.clear();
    m_lastTyped = now;
    m_typed.push_back(c);
    const bool bRepeated = m_typed.find_first_not_of(m_typed.front()) == std::u32string::npos;
    const QString prefix = QString::fromUcs4(m_typed.data(), bRepeated ? 1 : m_typed.size());
    const int count = GetItemCount();
    const int focused = FocusedRow();
    const int start = focused < 0 ? 0 : (bRepeated || m_typed.size() == 1 ? focused + 1 : focused);
    for (int k = 0; k < count; ++k) {
        const int row = (start + k) % count;
        if (QString::fromLocal8Bit(GetItemText(row, 0).c_str())
                .startsWith(prefix, Qt::CaseInsensitive)) {
            SelectOnly(row);
            EnsureVisible(row, FALSE);
            return;
        }
    }
}

void CListCtrl::DrawItemDefault(CDC* pDC, int nItem, COLORREF clrText, COLORREF clrTextBk) {
    RECT row;
    GetItemRect(nItem, &row, LVIR_BOUNDS);
    const bool selected = GetItemState(nItem, LVIS_SELECTED) != 0;
    QPalette pal = GetWidget() != nullptr ? GetWidget()->palette() : QApplication::palette();
    const COLORREF bk = selected ? ToColorRef(pal.color(QPalette::Highlight)) : clrTextBk;
    const COLORREF fg = selected ? ToColorRef(pal.color(QPalette::HighlightedText)) : clrText;
    if (bk != CLR_NONE && bk != CLR_DEFAULT)
        pDC->FillSolidRect(&row, bk);
    pDC->SetTextColor(fg);
    pDC->SetBkMode(TRANSPARENT);
    for (int c = 0; c < GetColumnCount(); ++c) {
        RECT cell;
        GetSubItemRect(nItem, c, LVIR_LABEL, cell);
        cell.left += kTextPadding;
        cell.right -= kTextPadding / 2;
        UINT format = kDefaultTextFormat;
        const int fmt = m_columns[static_cast<size_t>(c)].format;
        if (c > 0 && (fmt & LVCFMT_RIGHT))
            format |= DT_RIGHT;
        else if (c > 0 && (fmt & LVCFMT_CENTER))
            format |= DT_CENTER;
        pDC->DrawText(GetItemText(nItem, c), &cell, format);
    }
}

BOOL CListCtrl::SetBkColor(COLORREF cr) {
    m_clrBk = cr;
    if (m_hWnd != nullptr)
        Invalidate(TRUE);
    return TRUE;
}

void CListCtrl::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    QWidget* w = GetWidget();
    const QPalette pal = w != nullptr ? w->palette() : QApplication::palette();
    const COLORREF window = m_clrBk != CLR_DEFAULT && m_clrBk != CLR_NONE
                                ? m_clrBk
                                : ToColorRef(pal.color(QPalette::Base));
    const COLORREF text = ToColorRef(pal.color(QPalette::Text));
    dc.FillSolidRect(&client, window);
    CFont* oldFont = dc.GetCurrentFont();
    FlushSync();

    NMLVCUSTOMDRAW cd;
    cd.nmcd.hdr.code = NM_CUSTOMDRAW;
    cd.nmcd.dwDrawStage = CDDS_PREPAINT;
    cd.nmcd.hdc = dc.GetSafeHdc();
    cd.nmcd.rc = client;
    const LRESULT pre = ReflectNotify(&cd.nmcd.hdr);
    if (pre & CDRF_SKIPDEFAULT)
        return;
    const int last = std::min(GetItemCount(), m_nTopIndex + GetCountPerPage() + 1);
    for (int i = m_nTopIndex; i < last; ++i) {
        RECT row;
        GetItemRect(i, &row, LVIR_BOUNDS);
        RECT visible{row.left, row.top, std::max(row.right, client.right), row.bottom};
        if (!dc.RectVisible(&visible))
            continue;
        LRESULT answer = CDRF_DODEFAULT;
        cd.clrText = text;
        cd.clrTextBk = window;
        if (pre & CDRF_NOTIFYITEMDRAW) {
            cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
            cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(i);
            cd.nmcd.uItemState = GetItemState(i, LVIS_SELECTED) ? CDIS_SELECTED : 0;
            cd.nmcd.lItemlParam = static_cast<LPARAM>(GetItemData(i));
            cd.nmcd.rc = row;
            cd.iSubItem = 0;
            answer = ReflectNotify(&cd.nmcd.hdr);
        }
        if (!(answer & CDRF_SKIPDEFAULT))
            DrawItemDefault(&dc, i, cd.clrText, cd.clrTextBk);
        dc.SelectObject(oldFont);
    }
}

LRESULT CListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        OnLButtonDown(POINT{static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam))),
                            static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lParam)))},
                      static_cast<UINT>(wParam));
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(POINT{static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam))),
                          static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lParam)))});
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
        return 0;
    case WM_CHAR:
        OnChar(static_cast<char32_t>(wParam));
        return 0;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
        return 0;
    case WM_CREATE:
        Widget()->LayoutChildren();
        return 0;
    case WM_SIZE:
        SyncScroll();
        return CWnd::WindowProc(message, wParam, lParam);
    case OCM_NOTIFY:
        return 0; // CDRF_DODEFAULT for custom draw, nothing for the others
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}
