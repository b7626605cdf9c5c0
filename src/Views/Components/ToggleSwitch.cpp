#include "Views/Components/ToggleSwitch.h"

#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Theme.h"

#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>

ToggleSwitch::ToggleSwitch(QWidget *parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation = new QVariantAnimation(this);
    m_animation->setEasingCurve(Spring::curve());
    m_animation->setDuration(Spring::durationMs());
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_position = v.toReal();
        update();
    });
}

void ToggleSwitch::setOnColor(const ThemeColor &color)
{
    m_onColor = color;
    update();
}

QSize ToggleSwitch::sizeHint() const
{
    return {42, 26};
}

void ToggleSwitch::nextCheckState()
{
    // A click changes the state with checkStateSet() held back (QAbstractButton blocks it while
    // clicking), so the knob is moved here; a slot that set the state back already is followed too.
    QAbstractButton::nextCheckState();
    moveKnob(true);
}

void ToggleSwitch::checkStateSet()
{
    // A change that arrives while a spring runs (a refused permission turning the switch back off)
    // springs too: the knob always ends at the state.
    moveKnob(m_animation->state() == QAbstractAnimation::Running);
}

void ToggleSwitch::moveKnob(bool springing)
{
    const qreal target = isChecked() ? 1.0 : 0.0;
    m_animation->stop();
    if (springing && Spring::animationsEnabled() && isVisible()) {
        m_animation->setStartValue(m_position);
        m_animation->setEndValue(target);
        m_animation->start();
    } else {
        m_position = target;
    }
    update();
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF track = QRectF(rect()).adjusted(2, 2, -2, -2);
    const qreal pos = std::clamp(m_position, 0.0, 1.0);
    const QPainterPath shape = Shapes::capsule(track);
    p.fillPath(shape, t.colors.fill);
    p.fillPath(shape, Theme::withAlpha(m_onColor.resolve(t), pos * (isEnabled() ? 1.0 : 0.4)));
    // Off, the pale track alone would not show where the switch is: its outline does, fading as
    // the switch turns on.
    if (isEnabled() && pos < 1.0) {
        p.setPen(QPen(Theme::withAlpha(t.colors.controlOutline, 1.0 - pos), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Shapes::capsule(track.adjusted(0.75, 0.75, -0.75, -0.75)));
    }
    const qreal knob = track.height() - 4;
    const qreal x = track.left() + 2 + (track.width() - knob - 4) * std::clamp(m_position, -0.05, 1.05);
    const QRectF knobRect(x, track.top() + 2, knob, knob);
    Painting::drawShadow(p, knobRect, knob / 2, Theme::withAlpha(Qt::black, 0.18), 2, QPointF(0, 1));
    QPainterPath k;
    k.addEllipse(knobRect);
    p.fillPath(k, isEnabled() ? QColor(Qt::white) : QColor(235, 235, 235));
    if (Painting::showsFocusRing(this))
        Painting::drawFocusRing(p, Shapes::capsule(track.adjusted(-1, -1, 1, 1)), t.colors.focusRing, 2);
}
