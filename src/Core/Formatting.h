#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

// Locale-aware display of dates, times and numbers, following the user's locale conventions
// rather than fixed English formats, and user text made safe to show among the app's own text.
// Safe from any thread; formatters are cached per thread.
//
//   label->setText(tr("Mark %1 done for %2").arg(kind, Formatting::isolated(plant->name())));
//   Formatting::isolated(u"Fern") is "Fern" as typed; a Hebrew name comes back as one isolate.
//   button->setText(Formatting::mnemonicEscaped(room));   // "&Garden" stays text, not Alt+G
class Formatting final
{
public:
    Formatting() = delete;

    // instant in zone, laid out the locale's way for the fields the skeleton names ("EEEEMMMd"
    // gives "Sunday, Dec 6" in en_US and "Sonntag, 6. Dez." in de_DE). Empty for an invalid
    // instant; an invalid zone reads as UTC.
    static QString dateFromSkeleton(const QDateTime &instant, const QString &skeleton, const QLocale &locale,
                                    const QTimeZone &zone);
    // value with the locale's digit grouping: 1234 is "1,234" in en_US and "1.234" in de_DE.
    static QString integer(qint64 value, const QLocale &locale);
    // The locale's short time of day ("9:00 AM", "09:00"). Values outside one day wrap around it.
    static QString timeOfDay(int minutesAfterMidnight, const QLocale &locale);

    // text made safe to place among the app's words, as Android's BidiFormatter.unicodeWrap
    // decides: wrapped in one first-strong isolate (U+2068 … U+2069) when it could reorder them
    // (see needsIsolation), else returned as typed, so a plain name in a left-to-right sentence
    // stays byte for byte what the user wrote. Inside an isolate, isolates left open are closed
    // and stray closers dropped, so nothing in it can end the isolate early.
    static QString isolated(QStringView text, Qt::LayoutDirection context = Qt::LeftToRight);
    // Whether text placed in context could reorder, or be reordered with, the words around it: it
    // holds explicit direction controls, a strong character of the other direction, or starts or
    // ends with a weak or neutral character (digits, punctuation, spaces). Empty text never does.
    static bool needsIsolation(QStringView text, Qt::LayoutDirection context = Qt::LeftToRight);
    // text on one line: tabs, line breaks and other control characters become spaces, so a name
    // can neither open a menu entry's shortcut column nor push the words around it to a new line.
    static QString oneLine(QStringView text);
    // text for a button, menu or action title: every "&" doubled, so Qt shows it as written and
    // never makes a keyboard mnemonic of it.
    static QString mnemonicEscaped(QStringView text);

    // The ICU locale identifier that stands for locale (the C locale maps to en_US_POSIX).
    static QByteArray icuLocaleId(const QLocale &locale);
};
