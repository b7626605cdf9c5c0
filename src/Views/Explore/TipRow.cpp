#include "Views/Explore/TipRow.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/Painting.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QPainter>
#include <QStyle>

#include <algorithm>

const TipRow::Style &TipRow::style()
{
    static const Style s;
    return s;
}

TipRow::TipRow(int number, const QString &text, QWidget *parent) : QWidget(parent), m_number(number)
{
    m_text = new TextLabel(text, TextStyle::body, this);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(tr("Tip %1: %2").arg(number).arg(text));
    Accessibility::setLeaf(this);
}

QString TipRow::text() const
{
    return m_text->text();
}

QFont TipRow::numberFont() const
{
    return Theme::current().font(TextStyle::caption, QFont::Bold);
}

int TipRow::numberBaseline() const
{
    // Where centred text puts its baseline in the circle.
    const QFontMetrics fm(numberFont());
    return (style().circle - fm.height()) / 2 + fm.ascent();
}

int TipRow::circleTop() const
{
    return std::max(0, m_text->fontMetrics().ascent() - numberBaseline());
}

int TipRow::textTop() const
{
    return std::max(0, numberBaseline() - m_text->fontMetrics().ascent());
}

int TipRow::textWidth(int width) const
{
    const Style &s = style();
    return std::max(1, width - s.circle - s.spacing);
}

int TipRow::heightForWidth(int width) const
{
    return std::max(circleTop() + style().circle, textTop() + m_text->heightForWidth(textWidth(width)));
}

QSize TipRow::sizeHint() const
{
    const int width = 400;
    return {width, heightForWidth(width)};
}

QSize TipRow::minimumSizeHint() const
{
    const Style &s = style();
    return {s.circle + s.spacing + 60, circleTop() + s.circle};
}

void TipRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const Style &s = style();
    const int w = textWidth(width());
    const QRect box(s.circle + s.spacing, textTop(), w, m_text->heightForWidth(w));
    m_text->setGeometry(QStyle::visualRect(layoutDirection(), rect(), box));
}

void TipRow::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    const Style &s = style();
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRect circle =
        QStyle::visualRect(layoutDirection(), rect(), QRect(0, circleTop(), s.circle, s.circle));
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::withAlpha(t.colors.accent, s.fillAlpha));
    p.drawEllipse(circle);
    p.setFont(numberFont());
    p.setPen(t.textColor(ColorRole::accent));
    p.drawText(circle, Qt::AlignCenter, QString::number(m_number));
}
