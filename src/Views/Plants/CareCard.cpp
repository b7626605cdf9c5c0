#include "Views/Plants/CareCard.h"

#include "Views/Components/CapacityGauge.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/Spring.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/IntervalRow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>

QString CareCard::statusText(qint64 daysUntilDue)
{
    if (daysUntilDue == -1)
        return tr("1 day overdue");
    if (daysUntilDue < 0)
        return tr("%1 days overdue").arg(-daysUntilDue);
    if (daysUntilDue == 0)
        return tr("Due today");
    if (daysUntilDue == 1)
        return tr("Due tomorrow");
    return tr("Next in %1 days").arg(daysUntilDue);
}

CareCard::Tone CareCard::tone(qint64 daysUntilDue)
{
    if (daysUntilDue < 0)
        return Tone::overdue;
    return daysUntilDue == 0 ? Tone::dueToday : Tone::later;
}

double CareCard::fraction(qint64 daysUntilDue, qint64 interval)
{
    if (interval < 1)
        return 0.0;
    return std::clamp(double(daysUntilDue) / double(interval), 0.0, 1.0);
}

CareCard::CareCard(Plant *plant, CareKind kind, QWidget *parent)
    : RoundedCard(Theme::current().panel, parent), m_plant(plant), m_kind(kind)
{
    setObjectName(QStringLiteral("careCard-") + kind.rawValue());
    setPadding(16);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    contentLayout()->addLayout(row);

    m_gauge = new CapacityGauge(this);
    m_gauge->setObjectName(QStringLiteral("careGauge"));
    m_gauge->setAccessibleName(tr("%1 schedule").arg(kind.title()));
    row->addWidget(m_gauge, 0, Qt::AlignVCenter);

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(3);
    m_title = new TextLabel(kind.title(), TextStyle::headline, this);
    m_interval = new TextLabel({}, TextStyle::subheadline, this);
    m_interval->setObjectName(QStringLiteral("careInterval"));
    m_status = new TextLabel({}, TextStyle::subheadline, this);
    m_status->setObjectName(QStringLiteral("careStatus"));
    m_status->setTextStyle(TextStyle::subheadline, QFont::Medium);
    for (TextLabel *label : {m_title, m_interval, m_status}) {
        label->setElided(true);
        texts->addWidget(label);
    }
    row->addLayout(texts, 1);

    m_done =
        new GlassButton(tr("Done"), QStringLiteral("checkmark"), GlassButton::Style::prominentGlass, this);
    m_done->setObjectName(QStringLiteral("careDoneButton"));
    // The visible "Done" is the same on every card; the name says which care it logs.
    m_done->setAccessibleName(tr("Mark %1 done").arg(kind.title().toLower()));
    m_done->setToolTip(m_done->accessibleName());
    row->addWidget(m_done, 0, Qt::AlignVCenter);
    connect(m_done, &QAbstractButton::clicked, this, &CareCard::requestDone);

    applyColors();
}

CareCard::~CareCard() = default;

void CareCard::requestDone()
{
    // One click, key or Press logs once: a second that lands before the card has shown the care
    // just logged (its gauge springing full) is dropped.
    if (m_hold.absorb())
        return;
    const QPointer<CareCard> self(this);
    emit doneRequested();
    if (!self)
        return;
    const bool springing = m_animation && m_animation->state() == QAbstractAnimation::Running;
    m_hold.start(InputHold::standardMsecs + (springing ? m_animation->duration() : 0));
}

void CareCard::refresh(const QDateTime &now, bool animated)
{
    if (!m_plant)
        return;
    const qint64 interval = m_plant->interval(m_kind);
    const qint64 days = m_plant->daysUntilDue(m_kind, now).value_or(0);
    const QString intervalLine = IntervalRow::everyText(interval);
    const QString statusLine = statusText(days);
    if (m_interval->text() != intervalLine)
        m_interval->setText(intervalLine);
    if (m_status->text() != statusLine)
        m_status->setText(statusLine);
    const Tone newTone = tone(days);
    if (newTone != m_tone) {
        m_tone = newTone;
        applyColors();
    }
    m_gauge->setAccessibleDescription(statusLine);

    const double target = fraction(days, interval);
    if (target == m_fraction)
        return;
    const double from = m_fraction < 0 ? target : m_gauge->value();
    m_fraction = target;
    if (m_animation)
        m_animation->stop();
    if (!animated || !Spring::animationsEnabled() || !isVisible()) {
        m_gauge->setValue(target);
        return;
    }
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setDuration(Spring::durationMs());
        m_animation->setEasingCurve(Spring::curve());
        connect(m_animation, &QVariantAnimation::valueChanged, m_gauge,
                [this](const QVariant &value) { m_gauge->setValue(value.toDouble()); });
    }
    m_animation->setStartValue(from);
    m_animation->setEndValue(target);
    m_animation->start();
}

QString CareCard::intervalLine() const
{
    return m_interval->text();
}

QString CareCard::statusLine() const
{
    return m_status->text();
}

void CareCard::changeEvent(QEvent *event)
{
    RoundedCard::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyColors();
}

void CareCard::applyColors()
{
    const Theme &theme = Theme::current();
    const QColor tint = theme.color(m_kind.tint());
    const QColor red = theme.colors.red;
    const QColor tintText = theme.textColor(m_kind.tint());
    setBackground(theme.panel.background);
    m_gauge->setTint(m_tone == Tone::overdue ? red : tint);
    m_gauge->setSymbol(m_kind.symbol(), tint);
    m_title->setTextColor(theme.colors.label);
    m_interval->setTextColor(theme.colors.secondaryLabel);
    switch (m_tone) {
    case Tone::overdue:
        m_status->setTextColor(theme.textColor(ColorRole::red));
        break;
    case Tone::dueToday:
        m_status->setTextColor(tintText);
        break;
    case Tone::later:
        m_status->setTextColor(theme.colors.secondaryLabel);
        break;
    }
    m_done->setTint(ThemeColor(m_kind.tint()));
}
