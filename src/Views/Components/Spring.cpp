#include "Views/Components/Spring.h"

#include <QObject>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

bool g_animationsEnabled = true;

qreal standardEasing(qreal t)
{
    return Spring::progress(t);
}

} // namespace

double Spring::stepResponse(double seconds, double response, double dampingFraction)
{
    if (!std::isfinite(seconds) || !std::isfinite(response) || !std::isfinite(dampingFraction) ||
        response <= 0)
        return 1.0;
    if (seconds <= 0)
        return 0.0;
    const double omega = 2.0 * std::numbers::pi / response;
    const double zeta = std::max(0.0, dampingFraction);
    if (zeta < 1.0) {
        const double omegaD = omega * std::sqrt(1.0 - zeta * zeta);
        const double decay = std::exp(-zeta * omega * seconds);
        return 1.0 -
               decay * (std::cos(omegaD * seconds) + zeta * omega / omegaD * std::sin(omegaD * seconds));
    }
    if (zeta == 1.0)
        return 1.0 - std::exp(-omega * seconds) * (1.0 + omega * seconds);
    // Overdamped: two real decay rates.
    const double root = std::sqrt(zeta * zeta - 1.0);
    const double r1 = -omega * (zeta - root), r2 = -omega * (zeta + root);
    return 1.0 - (r2 * std::exp(r1 * seconds) - r1 * std::exp(r2 * seconds)) / (r2 - r1);
}

double Spring::settleSeconds(double response, double dampingFraction)
{
    if (!std::isfinite(response) || response <= 0)
        return 0.0;
    const double omega = 2.0 * std::numbers::pi / response;
    const double zeta = std::clamp(dampingFraction, 0.05, 1.0);
    // The envelope of the oscillation is e^(-zeta*omega*t) / sqrt(1 - zeta^2); solve for 1e-3.
    const double amplitude = zeta < 1.0 ? 1.0 / std::sqrt(1.0 - zeta * zeta) : 1.0 + 7.0;
    return std::log(amplitude / 1e-3) / (zeta * omega);
}

double Spring::progress(double t)
{
    if (!std::isfinite(t) || t >= 1.0)
        return 1.0;
    if (t <= 0.0)
        return 0.0;
    const double total = settleSeconds(standardResponse, standardDampingFraction);
    const double end = stepResponse(total, standardResponse, standardDampingFraction);
    // Spread the residual at the settle time over the run, so the curve lands exactly on 1.
    return stepResponse(t * total, standardResponse, standardDampingFraction) + t * (1.0 - end);
}

QEasingCurve Spring::curve()
{
    QEasingCurve easing;
    easing.setCustomType(&standardEasing);
    return easing;
}

int Spring::durationMs()
{
    return int(std::lround(settleSeconds(standardResponse, standardDampingFraction) * 1000.0));
}

QPropertyAnimation *Spring::animate(QObject *target, const QByteArray &property, const QVariant &endValue)
{
    if (!g_animationsEnabled) {
        target->setProperty(property.constData(), endValue);
        return nullptr;
    }
    auto *animation = new QPropertyAnimation(target, property, target);
    animation->setEndValue(endValue);
    animation->setEasingCurve(curve());
    animation->setDuration(durationMs());
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

void Spring::setAnimationsEnabled(bool enabled)
{
    g_animationsEnabled = enabled;
}

bool Spring::animationsEnabled()
{
    return g_animationsEnabled;
}
