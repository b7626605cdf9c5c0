#include "Views/Plants/IntervalRow.h"

#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/Stepper.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Components/ToggleSwitch.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include <algorithm>

IntervalRow::IntervalRow(CareKind kind, Binding days, QObject *parent)
    : QObject(parent), m_kind(kind), m_days(std::move(days))
{
    const Theme &t = Theme::current();
    const QString key = kind.rawValue();

    m_switchRow = new ListRow(kind.title());
    m_switchRow->setObjectName(QStringLiteral("intervalRow-") + key);
    m_switchRow->setSymbol(kind.symbol(), ThemeColor(kind.tint()));
    m_toggle = new ToggleSwitch(m_switchRow);
    m_toggle->setObjectName(QStringLiteral("intervalSwitch-") + key);
    m_toggle->setAccessibleName(kind.title());
    m_switchRow->addTrailing(m_toggle);

    // The stepper row lines its label up with the kind's title above it.
    m_stepperRow = new ListRow;
    m_stepperRow->setObjectName(QStringLiteral("intervalStepperRow-") + key);
    auto *content = new QWidget(m_stepperRow);
    auto *layout = new QHBoxLayout(content);
    const int titleIndent = 22 + t.list.rowSpacing;
    layout->setContentsMargins(titleIndent, 0, 0, 0);
    layout->setSpacing(t.list.rowSpacing);
    m_every = new TextLabel({}, TextStyle::body, content);
    m_every->setObjectName(QStringLiteral("intervalEvery-") + key);
    m_every->setTextColor(&ThemeColors::secondaryLabel);
    // Noto and the other usual UI fonts draw tabular digits by default; reserving the widest
    // text keeps the row still while the number changes.
    m_every->setMinimumWidth(QFontMetrics(m_every->font()).horizontalAdvance(everyText(888)));
    m_stepper = new Stepper(minimumDays, maximumDays, content);
    m_stepper->setObjectName(QStringLiteral("intervalStepper-") + key);
    m_stepper->setAccessibleName(tr("%1 interval").arg(kind.title()));
    layout->addWidget(m_every);
    layout->addStretch(1);
    layout->addWidget(m_stepper);
    m_stepperRow->setContent(content);

    connect(m_toggle, &QAbstractButton::toggled, this, &IntervalRow::switchToggled);
    connect(m_stepper, &Stepper::valueChanged, this, &IntervalRow::stepped);
    refresh();
}

IntervalRow::~IntervalRow()
{
    // The rows normally belong to a section; rows never added are ours to free.
    if (m_switchRow && !m_switchRow->parent())
        delete m_switchRow.data();
    if (m_stepperRow && !m_stepperRow->parent())
        delete m_stepperRow.data();
}

void IntervalRow::addTo(InsetSection *section)
{
    section->addRow(m_switchRow);
    section->addRow(m_stepperRow);
    refresh();
}

void IntervalRow::refresh()
{
    const qint64 value = days();
    {
        const QSignalBlocker blockToggle(m_toggle);
        m_toggle->setChecked(value > 0);
        const QSignalBlocker blockStepper(m_stepper);
        m_stepper->setValue(int(std::clamp<qint64>(value, minimumDays, maximumDays)));
    }
    m_every->setText(everyText(value));
    m_stepperRow->setVisible(value >= 1);
    m_stepper->setAccessibleDescription(m_every->text());
}

qint64 IntervalRow::reenableDefault(CareKind kind)
{
    switch (kind.value()) {
    case CareKind::water:
        return 7;
    case CareKind::fertilize:
        return 30;
    case CareKind::mist:
        return 3;
    }
    return 7;
}

QString IntervalRow::everyText(qint64 days)
{
    return days == 1 ? tr("Every 1 day") : tr("Every %1 days").arg(days);
}

void IntervalRow::switchToggled(bool on)
{
    write(on ? std::max(days(), reenableDefault(m_kind)) : 0);
}

void IntervalRow::stepped(int value)
{
    write(value);
}

void IntervalRow::write(qint64 value)
{
    m_days.set(value);
    refresh();
    emit daysChanged(value);
}
