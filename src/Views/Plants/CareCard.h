#pragma once

// CareCard: one kind of care of one plant on its detail screen: a ring gauge that is full right
// after the care was given and empties towards the due day (red once overdue), the kind's title,
// "Every 7 days", the status ("Next in 7 days", "Due tomorrow", "Due today", "3 days overdue") and
// an always-enabled "Done" button in the kind's colour. A second click, key or Press on "Done"
// before the card has shown the care just logged is dropped (a double click logs once).
//
//   auto *card = new CareCard(plant, CareKind::water, parent);
//   connect(card, &CareCard::doneRequested, detail, [=] { detail->logCare(card->kind()); });
//   card->refresh(now);                 // after the plant changed (animated: the gauge springs)
//   CareCard::statusText(-3)            // "3 days overdue"; pure, like tone() and fraction()

#include "Models/CareKind.h"
#include "Models/Plant.h"
#include "Views/Components/InputHold.h"
#include "Views/Components/RoundedCard.h"

#include <QDateTime>
#include <QPointer>

class CapacityGauge;
class GlassButton;
class QVariantAnimation;
class TextLabel;

class CareCard final : public RoundedCard
{
    Q_OBJECT

public:
    // How a status reads: red when overdue, the kind's colour on the due day, quiet before it.
    enum class Tone : unsigned char { overdue, dueToday, later };

    static QString statusText(qint64 daysUntilDue);
    static Tone tone(qint64 daysUntilDue);
    // Days left as a share of the interval, within 0...1; 0 when the interval is below 1.
    static double fraction(qint64 daysUntilDue, qint64 interval);

    CareCard(Plant *plant, CareKind kind, QWidget *parent = nullptr);
    ~CareCard() override;

    CareKind kind() const { return m_kind; }
    // Shows the plant's schedule for this kind as of now; animated springs the gauge to its value.
    void refresh(const QDateTime &now, bool animated = false);

    CapacityGauge *gauge() const { return m_gauge; }
    GlassButton *doneButton() const { return m_done; }
    QString intervalLine() const;
    QString statusLine() const;
    Tone shownTone() const { return m_tone; }
    // The fraction the gauge shows once any animation has settled.
    double targetFraction() const { return m_fraction; }

signals:
    void doneRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColors();
    void requestDone();

    QPointer<Plant> m_plant;
    CareKind m_kind;
    CapacityGauge *m_gauge;
    TextLabel *m_title;
    TextLabel *m_interval;
    TextLabel *m_status;
    GlassButton *m_done;
    QVariantAnimation *m_animation = nullptr;
    Tone m_tone = Tone::later;
    double m_fraction = -1;
    InputHold m_hold;
};
