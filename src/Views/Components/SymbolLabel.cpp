#include "Views/Components/SymbolLabel.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/TextLabel.h"

#include <QHBoxLayout>

SymbolLabel::SymbolLabel(const QString &symbol, const QString &text, TextStyle style, QWidget *parent)
    : QWidget(parent)
{
    const ThemeColor color = &ThemeColors::label;
    m_text = new TextLabel(text, style, this);
    m_symbol = new SymbolView(symbol, Symbols::sizeFor(m_text->font()), color, this);
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(6);
    m_layout->addWidget(m_symbol, 0, Qt::AlignVCenter);
    m_layout->addWidget(m_text);
    setAccessibleName(text);
    // One text for readers, its name (which a screen may make fuller: "Room: Kitchen").
    Accessibility::setLeaf(this);
}

QString SymbolLabel::text() const
{
    return m_text->text();
}

void SymbolLabel::setText(const QString &text)
{
    m_text->setText(text);
    setAccessibleName(text);
}

void SymbolLabel::setSymbol(const QString &symbol)
{
    m_symbol->setSymbol(symbol);
}

void SymbolLabel::setColor(const ThemeColor &color)
{
    m_symbol->setColor(color);
    m_text->setTextColor(color);
}

void SymbolLabel::setSymbolColor(const ThemeColor &color)
{
    m_symbol->setColor(color);
}

void SymbolLabel::setTextColor(const ThemeColor &color)
{
    m_text->setTextColor(color);
}

void SymbolLabel::setTextStyle(TextStyle style, QFont::Weight weight)
{
    m_text->setTextStyle(style, weight);
    syncSymbolSize();
}

void SymbolLabel::setSpacing(int spacing)
{
    m_layout->setSpacing(spacing);
}

void SymbolLabel::setWordWrap(bool wrap)
{
    m_text->setWordWrap(wrap);
}

void SymbolLabel::setAlignTop(bool top)
{
    m_layout->setAlignment(m_symbol, top ? Qt::AlignTop : Qt::AlignVCenter);
    // Centre the symbol on the first line rather than on the top edge of the text.
    const int lineHeight = m_text->fontMetrics().height();
    m_symbol->setBoxSize(top ? QSize(m_symbol->sizeHint().width(), lineHeight) : QSize());
}

void SymbolLabel::syncSymbolSize()
{
    m_symbol->setSymbolSize(Symbols::sizeFor(m_text->font()));
}
