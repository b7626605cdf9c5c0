#pragma once

#include "Views/Components/RoundedCard.h"

class CapacityGauge;
class TextLabel;

// The card at the top of the Today list: a ring of what share of today's care is done, today's
// date, how many tasks are still open and how many care actions were logged today, in white on a
// gradient of the accent colour. One accessibility element that reads all of it.
class TodaySummaryCard final : public RoundedCard
{
    Q_OBJECT

public:
    explicit TodaySummaryCard(QWidget *parent = nullptr);

    // "All caught up", "1 task left", "3 tasks left".
    static QString remainingText(int remaining);
    // "2 done today".
    static QString doneText(int done);
    // Share of the gauge that is filled: all of it when there is nothing to do.
    static double progress(int done, int remaining);

    void setValues(int done, int remaining, const QString &date);
    int done() const { return m_done; }
    int remaining() const { return m_remaining; }

    CapacityGauge *gauge() const { return m_gauge; }
    QString dateText() const;
    QString remainingLine() const;
    QString doneLine() const;

private:
    CapacityGauge *m_gauge;
    TextLabel *m_date;
    TextLabel *m_remainingLabel;
    TextLabel *m_doneLabel;
    int m_done = -1;
    int m_remaining = -1;
};
