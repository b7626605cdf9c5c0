#pragma once

#include <QObject>
#include <QTimer>

class Calendar;

// Announces when the local calendar day changes while the app runs: at midnight, after a sleep
// that crossed midnight, or when the clock or the time zone jumps. Screens that show "today"
// listen to it instead of computing their own timers. The wall clock is checked every few
// seconds, since a monotonic timer set for midnight would fire late after a suspend.
class DayClock final : public QObject
{
    Q_OBJECT

public:
    explicit DayClock(QObject *parent = nullptr);

    // The shared clock of the UI thread.
    static DayClock &instance();

    // Compares the local day now with the last one seen; emits dayChanged() when they differ.
    void check();

signals:
    void dayChanged();

private:
    QTimer m_timer;
    qint64 m_day = 0;
};
