#include "Views/Components/SymbolView.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QEvent>
#include <QPainter>

SymbolView::SymbolView(const QString &symbol, int size, const ThemeColor &color, QWidget *parent)
    : QWidget(parent), m_symbol(symbol), m_size(size), m_color(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Beside its text a symbol says nothing; one that stands alone is given a name.
    Accessibility::setDecorative(this);
}

void SymbolView::setSymbol(const QString &symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolView::setColor(const ThemeColor &color)
{
    m_color = color;
    update();
}

void SymbolView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

void SymbolView::setSymbolSize(int size)
{
    m_size = size;
    updateGeometry();
    update();
}

void SymbolView::setBoxSize(QSize box)
{
    m_box = box;
    updateGeometry();
}

QSize SymbolView::sizeHint() const
{
    return m_box.isValid() ? m_box.expandedTo(QSize(m_size, m_size)) : QSize(m_size, m_size);
}

void SymbolView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRectF r(rect());
    const QColor base = m_color.resolve();
    const QColor color = isEnabled() ? base : Theme::withAlpha(base, base.alphaF() * 0.35);
    Symbols::paint(p, QRectF(r.center().x() - m_size / 2.0, r.center().y() - m_size / 2.0, m_size, m_size),
                   m_symbol, color);
}
