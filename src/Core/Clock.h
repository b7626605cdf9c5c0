#pragma once

#include <QDateTime>

// The source of "now". Everything that asks for the current moment goes through a Clock so that
// tests can pin time; the default is the real system clock.
class Clock
{
public:
    virtual ~Clock() = default;

    // The current instant, in UTC.
    virtual QDateTime now() const;

    static const Clock &system();
};

// A clock that stands still until told otherwise, for tests and benchmarks.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(QDateTime now = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC)) : m_now(now.toUTC()) {}

    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime &now) { m_now = now.toUTC(); }
    void advance(qint64 msecs) { m_now = m_now.addMSecs(msecs); }

private:
    QDateTime m_now;
};
