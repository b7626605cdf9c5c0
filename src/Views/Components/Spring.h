#pragma once

// Spring: the standard spring animation (response 0.5 s, damping fraction 0.85) used when care is
// completed and when filter chips toggle.
//
//   anim->setEasingCurve(Spring::curve()); anim->setDuration(Spring::durationMs());
//   Spring::animate(widget, "pos", QPoint(0, 0));     // starts a QPropertyAnimation, deletes itself
//   Spring::stepResponse(seconds, response, damping)  // the physical step response, pure
//   Spring::progress(p)                               // the curve: 0 -> 0, 1 -> 1, slight overshoot
//   Spring::setAnimationsEnabled(false)               // tests: animate() jumps to the end value

#include <QByteArray>
#include <QEasingCurve>
#include <QVariant>

class QObject;
class QPropertyAnimation;

class Spring final
{
public:
    Spring() = delete;

    static constexpr double standardResponse = 0.5;
    static constexpr double standardDampingFraction = 0.85;

    // Position of a damped spring released from 0 towards 1 after `seconds`; response is the
    // undamped period, dampingFraction 1 is critical damping. Non-finite input gives 1 (at rest).
    static double stepResponse(double seconds, double response, double dampingFraction);
    // Time after which the spring stays within 0.1 % of its target.
    static double settleSeconds(double response, double dampingFraction);

    // The standard spring over normalised time: exactly 0 at 0 and 1 at 1.
    static double progress(double t);
    static QEasingCurve curve();
    static int durationMs();

    // Animates target's property to endValue; with animations off sets it at once and returns null.
    static QPropertyAnimation *animate(QObject *target, const QByteArray &property, const QVariant &endValue);

    static void setAnimationsEnabled(bool enabled);
    static bool animationsEnabled();
};
