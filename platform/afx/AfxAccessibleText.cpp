// SPDX-License-Identifier: Apache-2.0
#include "AfxAccessibleText.h"

#include <QAccessibleWidget>
#include <QPointer>

#include "AfxQt.h"
#include "AfxWnd.h"

namespace {

// Paints nothing: the parent's painting shows through.
class TextWidget final : public QWidget {
public:
    explicit TextWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_NoSystemBackground, true);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {}
};

QAccessibleInterface* TextFactory(const QString&, QObject* object) {
    auto* w = dynamic_cast<TextWidget*>(object);
    return w != nullptr ? new QAccessibleWidget(w, QAccessible::StaticText) : nullptr;
}

void InstallTextFactory() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(&TextFactory);
    installed = true;
}

} // namespace

struct CAccessibleText::Impl {
    QPointer<TextWidget> widget;
};

CAccessibleText::CAccessibleText() : m_pImpl(std::make_unique<Impl>()) {}

CAccessibleText::~CAccessibleText() {
    delete m_pImpl->widget.data();
}

BOOL CAccessibleText::Create(CWnd* pParent) {
    QWidget* parent = pParent != nullptr ? pParent->GetWidget() : nullptr;
    if (parent == nullptr)
        return FALSE;
    InstallTextFactory();
    delete m_pImpl->widget.data();
    m_pImpl->widget = new TextWidget(parent);
    m_pImpl->widget->show();
    return TRUE;
}

void CAccessibleText::SetName(const std::string& name) {
    const QString text = afx::detail::FromAnsi(name);
    if (m_pImpl->widget != nullptr && m_pImpl->widget->accessibleName() != text)
        m_pImpl->widget->setAccessibleName(text);
}

void CAccessibleText::SetDescription(const std::string& description) {
    const QString text = afx::detail::FromAnsi(description);
    if (m_pImpl->widget != nullptr && m_pImpl->widget->accessibleDescription() != text)
        m_pImpl->widget->setAccessibleDescription(text);
}

std::string CAccessibleText::GetName() const {
    return m_pImpl->widget != nullptr ? afx::detail::ToAnsi(m_pImpl->widget->accessibleName())
                                      : std::string();
}

std::string CAccessibleText::GetDescription() const {
    return m_pImpl->widget != nullptr
               ? afx::detail::ToAnsi(m_pImpl->widget->accessibleDescription())
               : std::string();
}

void CAccessibleText::MoveWindow(const RECT& rect) {
    if (m_pImpl->widget != nullptr)
        m_pImpl->widget->setGeometry(afx::detail::ToQRect(rect));
}
