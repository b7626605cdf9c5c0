#include "Views/Today/TodaySummaryCard.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/CapacityGauge.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr qreal gaugeScale = 1.15;

CardStyle summaryStyle()
{
    CardStyle style = Theme::current().card;
    style.radius = 24;
    style.border = Qt::transparent;
    style.borderWidth = 0;
    return style;
}

} // namespace

QString TodaySummaryCard::remainingText(int remaining)
{
    if (remaining == 0)
        return tr("All caught up");
    if (remaining == 1)
        return tr("1 task left");
    return tr("%1 tasks left").arg(remaining);
}

QString TodaySummaryCard::doneText(int done)
{
    return tr("%1 done today").arg(done);
}

double TodaySummaryCard::progress(int done, int remaining)
{
    const double total = double(done) + double(remaining);
    return total > 0 ? double(done) / total : 1.0;
}

TodaySummaryCard::TodaySummaryCard(QWidget *parent) : RoundedCard(summaryStyle(), parent)
{
    const Theme &theme = Theme::current();
    const ThemeColor white = &ThemeColors::onAccent;
    setObjectName(QStringLiteral("todaySummaryCard"));
    // One element for readers: its name says the date and both counts.
    Accessibility::setLeaf(this);
    setGradient(&ThemeColors::accent, &ThemeColors::accentDark);
    Theme::follow(this, [this] { setCardStyle(summaryStyle()); });
    setPadding(20);

    auto *row = new QHBoxLayout;
    row->setSpacing(18);
    row->setContentsMargins(0, 0, 0, 0);
    contentLayout()->addLayout(row);

    m_gauge = new CapacityGauge(this);
    m_gauge->setObjectName(QStringLiteral("todaySummaryGauge"));
    m_gauge->setTint(white);
    m_gauge->setSymbolFont(theme.font(TextStyle::title3, QFont::DemiBold));
    m_gauge->setScale(gaugeScale);
    row->addWidget(m_gauge, 0, Qt::AlignVCenter);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->setContentsMargins(0, 0, 0, 0);
    m_date = new TextLabel({}, TextStyle::subheadline, this);
    m_date->setObjectName(QStringLiteral("todaySummaryDate"));
    m_date->setTextStyle(TextStyle::subheadline, QFont::Medium);
    m_date->setTextColor(white);
    m_remainingLabel = new TextLabel({}, TextStyle::title2, this);
    m_remainingLabel->setObjectName(QStringLiteral("todaySummaryRemaining"));
    m_remainingLabel->setTextStyle(TextStyle::title2, QFont::Bold);
    m_remainingLabel->setTextColor(white);
    m_doneLabel = new TextLabel({}, TextStyle::subheadline, this);
    m_doneLabel->setObjectName(QStringLiteral("todaySummaryDone"));
    m_doneLabel->setTextColor(white);
    texts->addWidget(m_date);
    texts->addWidget(m_remainingLabel);
    texts->addWidget(m_doneLabel);
    row->addLayout(texts);
    row->addStretch(1);

    setValues(0, 0, QString());
}

void TodaySummaryCard::setValues(int done, int remaining, const QString &date)
{
    m_done = done;
    m_remaining = remaining;
    m_gauge->setValue(progress(done, remaining));
    m_gauge->setSymbol(remaining == 0 ? QStringLiteral("checkmark") : QStringLiteral("drop.fill"),
                       &ThemeColors::onAccent);
    m_date->setText(date);
    m_remainingLabel->setText(remainingText(remaining));
    m_doneLabel->setText(doneText(done));
    // Read as one element: "Monday, Dec 7, 3 tasks left, 2 done today".
    setAccessibleName(
        QStringList{date, m_remainingLabel->text(), m_doneLabel->text()}.join(QStringLiteral(", ")));
}

QString TodaySummaryCard::dateText() const
{
    return m_date->text();
}

QString TodaySummaryCard::remainingLine() const
{
    return m_remainingLabel->text();
}

QString TodaySummaryCard::doneLine() const
{
    return m_doneLabel->text();
}
