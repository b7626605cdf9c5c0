#include "Views/Components/InfoTile.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

InfoTile::InfoTile(const QString &title, const QString &value, const QString &symbol, const ThemeColor &tint,
                   QWidget *parent)
    : QWidget(parent), m_tint(tint)
{
    const TileStyle &s = Theme::current().tile;
    m_symbol = new SymbolView(symbol, Symbols::sizeFor(s.symbolFont), tint, this);
    m_title = new TextLabel(title, TextStyle::caption, this);
    m_title->setFont(s.titleFont);
    m_title->setTextColor(&ThemeColors::secondaryLabel); // the tile's title colour
    m_value = new TextLabel(value, TextStyle::subheadline, this);
    m_value->setFont(s.valueFont);
    m_value->setTextColor(&ThemeColors::label); // the tile's value colour
    m_value->setWordWrap(true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(s.padding, s.padding, s.padding, s.padding);
    column->setSpacing(s.spacing);
    column->addWidget(m_symbol, 0, Qt::AlignLeft);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(s.textSpacing);
    texts->addWidget(m_title);
    texts->addWidget(m_value);
    column->addLayout(texts);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    // One element for readers: "Water, Every 8 days".
    Accessibility::setLeaf(this);
    updateAccessibility();
}

QString InfoTile::title() const
{
    return m_title->text();
}

QString InfoTile::value() const
{
    return m_value->text();
}

QString InfoTile::symbol() const
{
    return m_symbol->symbol();
}

void InfoTile::setTitle(const QString &title)
{
    m_title->setText(title);
    updateAccessibility();
}

void InfoTile::setValue(const QString &value)
{
    m_value->setText(value);
    updateAccessibility();
}

void InfoTile::setSymbol(const QString &symbol)
{
    m_symbol->setSymbol(symbol);
}

void InfoTile::setTint(const ThemeColor &tint)
{
    m_tint = tint;
    m_symbol->setColor(tint);
}

void InfoTile::paintEvent(QPaintEvent *)
{
    const TileStyle &s = Theme::current().tile;
    QPainter p(this);
    Painting::setHighQuality(p);
    p.fillPath(Shapes::continuousRoundedRect(QRectF(rect()), s.radius), s.background);
}

void InfoTile::updateAccessibility()
{
    setAccessibleName(m_title->text() + QStringLiteral(", ") + m_value->text());
}
