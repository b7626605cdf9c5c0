#include "Views/Components/ListRow.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

ListRow::ListRow(const QString &title, QWidget *parent) : QWidget(parent)
{
    const ListStyle &s = Theme::current().list;
    m_title = new TextLabel(title, TextStyle::body, this);
    m_title->setFont(s.titleFont);
    m_subtitle = new TextLabel({}, TextStyle::subheadline, this);
    m_subtitle->setFont(s.subtitleFont);
    m_subtitle->setTextColor(&ThemeColors::secondaryLabel);
    m_subtitle->hide();
    m_value = new TextLabel({}, TextStyle::body, this);
    m_value->setTextColor(&ThemeColors::secondaryLabel);
    m_value->hide();
    m_chevron = new SymbolView(QStringLiteral("chevron.right"), 13, &ThemeColors::tertiaryLabel, this);
    m_chevron->hide();

    m_texts = new QWidget(this);
    auto *texts = new QVBoxLayout(m_texts);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);

    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(s.rowPaddingH, s.rowPaddingV, s.rowPaddingH, s.rowPaddingV);
    m_layout->setSpacing(s.rowSpacing);
    m_layout->addWidget(m_texts, 1);
    m_layout->addWidget(m_value);
    m_layout->addWidget(m_chevron);
    setMinimumHeight(s.rowMinHeight);
    setAccessibleName(title);
}

QString ListRow::title() const
{
    return m_title->text();
}

void ListRow::setTitle(const QString &title)
{
    m_title->setText(title);
    setAccessibleName(title);
}

void ListRow::setSubtitle(const QString &subtitle)
{
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
}

void ListRow::setSymbol(const QString &symbol, const ThemeColor &tint)
{
    if (!m_symbol) {
        m_symbol = new SymbolView(symbol, Symbols::sizeFor(m_title->font()), tint, this);
        m_symbol->setBoxSize(QSize(22, 22));
        m_layout->insertWidget(0, m_symbol);
    } else {
        m_symbol->setSymbol(symbol);
        m_symbol->setColor(tint);
    }
}

void ListRow::setTitleColor(const ThemeColor &color)
{
    m_titleColor = color;
    applyTitleColor();
}

void ListRow::setValueText(const QString &value)
{
    m_value->setText(value);
    m_value->setVisible(!value.isEmpty());
}

QString ListRow::valueText() const
{
    return m_value->text();
}

void ListRow::addTrailing(QWidget *widget)
{
    m_layout->insertWidget(m_layout->indexOf(m_chevron), widget, 0, Qt::AlignVCenter);
}

void ListRow::setContent(QWidget *content)
{
    m_texts->hide();
    Accessibility::setIgnored(m_texts);
    if (m_symbol)
        m_symbol->hide();
    m_layout->insertWidget(m_layout->indexOf(m_texts), content, 1);
}

void ListRow::setAccessory(Accessory accessory)
{
    m_chevron->setVisible(accessory == Accessory::chevron);
}

void ListRow::setActivatable(bool activatable)
{
    m_activatable = activatable;
    // Press: what a click, Space or Return does.
    Accessibility::setAction(this, QAccessibleActionInterface::pressAction(),
                             activatable ? std::function<void()>([this] { emit activated(); }) : nullptr);
    setFocusPolicy(activatable ? Qt::StrongFocus : Qt::NoFocus);
    setAttribute(Qt::WA_Hover, activatable);
    setCursor(activatable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

int ListRow::separatorInset() const
{
    const ListStyle &s = Theme::current().list;
    if (m_symbol && m_symbol->isVisible())
        return s.rowPaddingH + m_symbol->sizeHint().width() + s.rowSpacing;
    return s.separatorInset;
}

void ListRow::setRoundedCorners(unsigned corners)
{
    m_corners = corners;
    update();
}

void ListRow::paintEvent(QPaintEvent *)
{
    if (!m_activatable || !isEnabled())
        return;
    const ListStyle &s = Theme::current().list;
    const bool hovered = underMouse();
    if (!hovered && !m_pressed && !Painting::showsFocusRing(this))
        return;
    QPainter p(this);
    Painting::setHighQuality(p);
    const QPainterPath shape = Shapes::continuousRoundedRect(QRectF(rect()), s.radius, m_corners);
    p.fillPath(shape, m_pressed ? s.rowPressed : s.rowHover);
    if (Painting::showsFocusRing(this))
        Painting::drawFocusRing(p,
                                Shapes::continuousRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5),
                                                              m_corners ? s.radius - 1.5 : 4,
                                                              m_corners ? m_corners : 15),
                                Theme::current().colors.focusRing, 2);
}

void ListRow::mousePressEvent(QMouseEvent *event)
{
    if (m_activatable && event->button() == Qt::LeftButton) {
        m_pressed = true;
        update();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ListRow::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_activatable && m_pressed && event->button() == Qt::LeftButton) {
        m_pressed = false;
        update();
        if (rect().contains(event->position().toPoint()))
            emit activated();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void ListRow::keyPressEvent(QKeyEvent *event)
{
    if (m_activatable &&
        (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit activated();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ListRow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        applyTitleColor();
    QWidget::changeEvent(event);
}

bool ListRow::event(QEvent *event)
{
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave)
        update();
    return QWidget::event(event);
}

void ListRow::applyTitleColor()
{
    m_title->setTextColor(isEnabled() ? m_titleColor : ThemeColor(&ThemeColors::tertiaryLabel));
    if (m_symbol)
        m_symbol->setEnabled(isEnabled());
}
