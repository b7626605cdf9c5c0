#pragma once

#include <QDate>
#include <QPointer>
#include <QWidget>

class GlassButton;
#include <QCalendarWidget>

// A date-only picker for a form row: a bordered button showing the date the locale's way; a click
// (or Space/Return) opens a month calendar below it, Up and Down move one day. Dates after
// maximumDate() cannot be chosen.
class DatePicker final : public QWidget
{
    Q_OBJECT

public:
    explicit DatePicker(QWidget *parent = nullptr);

    QDate date() const { return m_date; }
    // Programmatic: clamped to the maximum, no dateChanged().
    void setDate(QDate date);
    QDate maximumDate() const { return m_maximum; }
    void setMaximumDate(QDate maximum);

    GlassButton *button() const { return m_button; }
    // The open calendar, or null.
    QCalendarWidget *calendar() const { return m_calendar; }
    void openCalendar();

    // A date as the picker shows it ("Dec 7, 2026" in en_US).
    static QString displayText(QDate date);

signals:
    // The user chose a date.
    void dateChanged(QDate date);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void styleNavigationBar(QCalendarWidget *calendar);
    void fadeDaysAfterMaximum(QCalendarWidget *calendar) const;
    void stylePopup(QWidget *popup, QCalendarWidget *calendar) const;
    void choose(QDate date);
    void refresh();

    QDate m_date;
    QDate m_maximum;
    GlassButton *m_button;
    QPointer<QWidget> m_popup;
    QPointer<QCalendarWidget> m_calendar;
};
