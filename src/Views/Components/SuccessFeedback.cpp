#include "Views/Components/SuccessFeedback.h"

#include "Views/Components/Painting.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>

namespace {
int g_playCount = 0;
constexpr int kSize = 96;
} // namespace

SuccessFeedback::SuccessFeedback(QWidget *window) : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    resize(kSize, kSize);
    move((window->width() - kSize) / 2, (window->height() - kSize) / 2);
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setDuration(700);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_progress = v.toReal();
        update();
    });
    connect(m_animation, &QVariantAnimation::finished, this, &QObject::deleteLater);
}

void SuccessFeedback::play(QWidget *anchor)
{
    ++g_playCount;
    if (!anchor || !Spring::animationsEnabled())
        return;
    auto *cue = new SuccessFeedback(anchor->window());
    cue->raise();
    cue->show();
    cue->m_animation->start();
}

int SuccessFeedback::playCount()
{
    return g_playCount;
}

void SuccessFeedback::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    QPainter p(this);
    Painting::setHighQuality(p);
    // Pop in on the spring during the first half, then fade out.
    const qreal grow = Spring::progress(std::min(1.0, m_progress * 2.0));
    const qreal fade = m_progress < 0.5 ? 1.0 : 1.0 - (m_progress - 0.5) * 2.0;
    const qreal scale = 0.6 + 0.4 * grow;
    p.setOpacity(std::clamp(fade, 0.0, 1.0));
    p.translate(width() / 2.0, height() / 2.0);
    p.scale(scale, scale);
    const qreal r = kSize / 2.0 - 8;
    QPainterPath disc;
    disc.addEllipse(QPointF(0, 0), r, r);
    p.fillPath(disc, Theme::withAlpha(t.colors.accent, 0.92));
    Symbols::paint(p, QRectF(-r * 0.55, -r * 0.55, r * 1.1, r * 1.1), QStringLiteral("checkmark"), Qt::white);
}
