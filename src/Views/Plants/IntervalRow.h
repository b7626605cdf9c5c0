#pragma once

#include "Models/CareKind.h"
#include "Views/Components/ListRow.h"

#include <QObject>
#include <QPointer>

#include <functional>

class InsetSection;
class Stepper;
class TextLabel;
class ToggleSwitch;

// The two form rows of one care interval: the kind with its switch, and, while the kind is on,
// a stepper over 1...120 days labelled "Every n days". 0 means the kind is switched off; the
// stepper never reaches 0, only the switch does.
//
// The rows read and write the interval through a binding, so the form's working copy stays the
// only place the value lives.
class IntervalRow final : public QObject
{
    Q_OBJECT

public:
    struct Binding
    {
        std::function<qint64()> get;
        std::function<void(qint64)> set;
    };

    static constexpr int minimumDays = 1;
    static constexpr int maximumDays = 120;

    IntervalRow(CareKind kind, Binding days, QObject *parent = nullptr);
    ~IntervalRow() override;

    CareKind kind() const { return m_kind; }
    qint64 days() const { return m_days.get(); }

    // Appends both rows to section (which then owns them).
    void addTo(InsetSection *section);
    // Re-reads the bound value into the rows.
    void refresh();

    ListRow *switchRow() const { return m_switchRow; }
    ListRow *stepperRow() const { return m_stepperRow; }
    ToggleSwitch *toggle() const { return m_toggle; }
    Stepper *stepper() const { return m_stepper; }
    TextLabel *everyLabel() const { return m_every; }

    // What switching a kind back on gives it: fixed, not the species' suggestion.
    static qint64 reenableDefault(CareKind kind);
    // "Every 1 day", "Every 14 days".
    static QString everyText(qint64 days);

signals:
    // The user changed the interval (the switch or the stepper).
    void daysChanged(qint64 days);

private:
    void switchToggled(bool on);
    void stepped(int value);
    void write(qint64 days);

    CareKind m_kind;
    Binding m_days;
    // Owned by the section once added; guarded because the section may go first.
    QPointer<ListRow> m_switchRow;
    QPointer<ListRow> m_stepperRow;
    ToggleSwitch *m_toggle;
    Stepper *m_stepper;
    TextLabel *m_every;
};
