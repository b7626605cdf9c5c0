#include "Views/Plants/DatePicker.h"

#include "Core/Formatting.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

DatePicker::DatePicker(QWidget *parent) : QWidget(parent)
{
    m_button = new GlassButton(QString(), QString(), GlassButton::Style::bordered, this);
    m_button->setTint(ThemeColor(&ThemeColors::label));
    m_button->installEventFilter(this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    setFocusProxy(m_button);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_button, &QAbstractButton::clicked, this, &DatePicker::openCalendar);
    refresh();
}

void DatePicker::setDate(QDate date)
{
    if (m_maximum.isValid() && date > m_maximum)
        date = m_maximum;
    m_date = date;
    refresh();
}

void DatePicker::setMaximumDate(QDate maximum)
{
    m_maximum = maximum;
    if (m_date.isValid() && maximum.isValid() && m_date > maximum)
        m_date = maximum;
    if (m_calendar)
        m_calendar->setMaximumDate(maximum);
    refresh();
}

QString DatePicker::displayText(QDate date)
{
    if (!date.isValid())
        return {};
    // Noon avoids any zone turning the date into its neighbour.
    return Formatting::dateFromSkeleton(QDateTime(date, QTime(12, 0), Qt::UTC), QStringLiteral("yMMMd"),
                                        QLocale(), QTimeZone::utc());
}

void DatePicker::styleNavigationBar(QCalendarWidget *calendar)
{
    const Theme &t = Theme::current();
    if (auto *bar = calendar->findChild<QWidget *>(QStringLiteral("qt_calendar_navigationbar"))) {
        bar->setAutoFillBackground(true);
        QPalette pal = bar->palette();
        pal.setColor(QPalette::Window, t.colors.secondaryGroupedBackground);
        pal.setColor(QPalette::Button, t.colors.secondaryGroupedBackground);
        pal.setColor(QPalette::ButtonText, t.colors.label);
        pal.setColor(QPalette::WindowText, t.colors.label);
        pal.setColor(QPalette::Text, t.colors.label);
        // The bar paints itself in the highlight colour by default.
        pal.setColor(QPalette::Highlight, t.colors.secondaryGroupedBackground);
        pal.setColor(QPalette::HighlightedText, t.colors.label);
        bar->setPalette(pal);
    }
    const struct
    {
        const char *name;
        const char *symbol;
    } arrows[] = {{"qt_calendar_prevmonth", "chevron.left"}, {"qt_calendar_nextmonth", "chevron.right"}};
    for (const auto &arrow : arrows) {
        if (auto *button = calendar->findChild<QToolButton *>(QString::fromLatin1(arrow.name))) {
            button->setIcon(Symbols::icon(QString::fromLatin1(arrow.symbol), t.textColor(ColorRole::accent)));
            button->setAutoRaise(true);
        }
    }
    for (const char *name : {"qt_calendar_monthbutton", "qt_calendar_yearbutton"}) {
        if (auto *button = calendar->findChild<QToolButton *>(QString::fromLatin1(name))) {
            button->setFont(t.font(TextStyle::headline));
            button->setAutoRaise(true);
        }
    }
}

void DatePicker::fadeDaysAfterMaximum(QCalendarWidget *calendar) const
{
    if (!m_maximum.isValid())
        return;
    // Days that cannot be chosen look it; the page shows at most six weeks.
    const QDate first(calendar->yearShown(), calendar->monthShown(), 1);
    QTextCharFormat faded;
    faded.setForeground(Theme::current().colors.tertiaryLabel);
    for (QDate day = first.addDays(-7); day <= first.addDays(42); day = day.addDays(1)) {
        if (day > m_maximum)
            calendar->setDateTextFormat(day, faded);
    }
}

void DatePicker::stylePopup(QWidget *popup, QCalendarWidget *calendar) const
{
    const Theme &t = Theme::current();
    QPalette pal = popup->palette();
    pal.setColor(QPalette::Window, t.colors.secondaryGroupedBackground);
    pal.setColor(QPalette::Base, t.colors.secondaryGroupedBackground);
    pal.setColor(QPalette::AlternateBase, t.colors.secondaryGroupedBackground);
    pal.setColor(QPalette::Button, t.colors.secondaryGroupedBackground);
    pal.setColor(QPalette::Text, t.colors.label);
    pal.setColor(QPalette::WindowText, t.colors.label);
    pal.setColor(QPalette::ButtonText, t.colors.label);
    pal.setColor(QPalette::Highlight, t.colors.accent);
    pal.setColor(QPalette::HighlightedText, t.colors.onAccent);
    pal.setColor(QPalette::Disabled, QPalette::Text, t.colors.tertiaryLabel);
    popup->setPalette(pal);
    calendar->setPalette(pal);
    QPalette framePal = pal;
    framePal.setColor(QPalette::WindowText, t.colors.separator);
    popup->setPalette(framePal);
    calendar->setPalette(pal);
    styleNavigationBar(calendar);
    QTextCharFormat header;
    header.setForeground(t.colors.secondaryLabel);
    header.setFont(t.font(TextStyle::caption, QFont::DemiBold));
    calendar->setHeaderTextFormat(header);
    // Weekends are not special in a care log: no red days, and every weekday heading alike.
    QTextCharFormat weekday;
    weekday.setForeground(t.colors.label);
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        calendar->setWeekdayTextFormat(Qt::DayOfWeek(day), weekday);
    calendar->setFont(t.font(TextStyle::body));
    fadeDaysAfterMaximum(calendar);
}

void DatePicker::openCalendar()
{
    if (m_popup)
        return;
    auto *popup = new QFrame(this, Qt::Popup);
    popup->setFrameShape(QFrame::Box);
    popup->setLineWidth(1);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setObjectName(QStringLiteral("datePickerPopup"));
    auto *layout = new QVBoxLayout(popup);
    layout->setContentsMargins(6, 6, 6, 6);
    auto *calendar = new QCalendarWidget(popup);
    calendar->setObjectName(QStringLiteral("datePickerCalendar"));
    calendar->setGridVisible(false);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    calendar->setFirstDayOfWeek(QLocale().firstDayOfWeek());
    if (m_maximum.isValid())
        calendar->setMaximumDate(m_maximum);
    calendar->setSelectedDate(m_date.isValid() ? m_date : m_maximum);

    // A switch of appearance while the calendar is open restyles it too.
    Theme::follow(popup, [this, popup, calendar] { stylePopup(popup, calendar); });
    layout->addWidget(calendar);
    fadeDaysAfterMaximum(calendar);
    connect(calendar, &QCalendarWidget::currentPageChanged, this, [this] {
        if (m_calendar)
            fadeDaysAfterMaximum(m_calendar);
    });

    connect(calendar, &QCalendarWidget::clicked, this, [this](QDate date) {
        choose(date);
        if (m_popup)
            m_popup->close();
    });
    connect(calendar, &QCalendarWidget::activated, this, [this](QDate date) {
        choose(date);
        if (m_popup)
            m_popup->close();
    });

    m_popup = popup;
    m_calendar = calendar;
    popup->adjustSize();
    QPoint at = m_button->mapToGlobal(QPoint(0, m_button->height() + 4));
    if (const QScreen *screen = m_button->screen()) {
        const QRect avail = screen->availableGeometry();
        at.setX(qBound(avail.left(), at.x() + m_button->width() - popup->width(),
                       avail.right() - popup->width()));
        if (at.y() + popup->height() > avail.bottom())
            at.setY(m_button->mapToGlobal(QPoint(0, 0)).y() - popup->height() - 4);
    }
    popup->move(at);
    popup->show();
    calendar->setFocus(Qt::PopupFocusReason);
}

bool DatePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_button && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            const QDate next = m_date.addDays(key->key() == Qt::Key_Up ? 1 : -1);
            if (next.isValid() && (!m_maximum.isValid() || next <= m_maximum))
                choose(next);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DatePicker::choose(QDate date)
{
    if (!date.isValid() || (m_maximum.isValid() && date > m_maximum))
        return;
    const bool changed = date != m_date;
    m_date = date;
    refresh();
    if (changed)
        emit dateChanged(date);
}

void DatePicker::refresh()
{
    const QString text = displayText(m_date);
    m_button->setText(text);
    m_button->setAccessibleDescription(text);
    m_button->updateGeometry();
}
