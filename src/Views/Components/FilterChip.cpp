#include "Views/Components/FilterChip.h"

#include "Core/Formatting.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>

FilterChip::FilterChip(const QString &title, const QString &symbol, QWidget *parent)
    : QAbstractButton(parent), m_title(title), m_symbol(symbol)
{
    setText(Formatting::mnemonicEscaped(title));
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(title);
    m_animation = new QVariantAnimation(this);
    m_animation->setEasingCurve(Spring::curve());
    m_animation->setDuration(Spring::durationMs());
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_progress = value.toReal();
        update();
    });
}

void FilterChip::setOn(bool on)
{
    m_animation->stop();
    m_progress = on ? 1.0 : 0.0;
    setChecked(on);
    update();
}

void FilterChip::nextCheckState()
{
    QAbstractButton::nextCheckState();
    const qreal target = isChecked() ? 1.0 : 0.0;
    if (!Spring::animationsEnabled()) {
        m_progress = target;
        update();
        return;
    }
    m_animation->stop();
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(target);
    m_animation->start();
}

void FilterChip::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool FilterChip::event(QEvent *event)
{
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave)
        update();
    return QAbstractButton::event(event);
}

QSize FilterChip::sizeHint() const
{
    const ChipStyle &s = Theme::current().chip;
    const QFontMetrics fm(s.font);
    const int icon = Symbols::sizeFor(s.font);
    return {2 * s.paddingH + icon + s.iconSpacing + fm.horizontalAdvance(m_title),
            2 * s.paddingV + qMax(icon, fm.height())};
}

void FilterChip::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    const ChipStyle &s = t.chip;
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    // The spring overshoots slightly; colours stay within their two ends.
    const qreal on = std::clamp(m_progress, 0.0, 1.0);
    const QPainterPath shape = Shapes::capsule(r);
    p.fillPath(shape, s.offFill);
    if (on > 0)
        p.fillPath(shape, Theme::withAlpha(s.onFill, s.onFill.alphaF() * on));
    if (underMouse() && isEnabled())
        p.fillPath(shape, Theme::withAlpha(isChecked() ? QColor(Qt::white) : t.colors.label, 0.06));
    if (isDown())
        p.fillPath(shape, Theme::withAlpha(Qt::black, 0.08));

    QColor fg = Theme::mix(s.offForeground, s.onForeground, on);
    if (!isEnabled())
        fg = t.colors.tertiaryLabel;
    const QFontMetrics fm(s.font);
    const int icon = Symbols::sizeFor(s.font);
    const int textWidth = fm.horizontalAdvance(m_title);
    qreal x = r.center().x() - (icon + s.iconSpacing + textWidth) / 2.0;
    Symbols::paint(p, QRectF(x, r.center().y() - icon / 2.0, icon, icon), m_symbol, fg);
    x += icon + s.iconSpacing;
    p.setFont(s.font);
    p.setPen(fg);
    p.drawText(QRectF(x, r.top(), textWidth + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft, m_title);

    if (Painting::showsFocusRing(this))
        Painting::drawFocusRing(p, Shapes::capsule(r.adjusted(-0.5, -0.5, 0.5, 0.5)), s.focusRing, 2);
}
