#include "Core/Formatting.h"

#include <QTest>

#include <unicode/ubidi.h>

#include <limits>

namespace {

// ICU writes a narrow no-break space before "AM"/"PM" and between French digit groups.
const QString nnbsp = QStringLiteral("\u202f");

} // namespace

class FormattingTest final : public QObject
{
    Q_OBJECT

private slots:
    void dateFromSkeleton_data();
    void dateFromSkeleton();
    void dateFromSkeletonEdgeInput();
    void integer_data();
    void integer();
    void timeOfDay_data();
    void timeOfDay();
    void isolatedNameReordersOnlyItself_data();
    void isolatedNameReordersOnlyItself();
    void isolatesOnlyWhereNeeded_data();
    void isolatesOnlyWhereNeeded();
};

void FormattingTest::dateFromSkeleton_data()
{
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QString>("skeleton");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("expected");

    const QDateTime sundayNoon(QDate(2026, 12, 6), QTime(12, 0), QTimeZone("America/New_York"));
    const QString weekday = QStringLiteral("EEEEMMMd");
    QTest::newRow("en_US") << sundayNoon << weekday << QStringLiteral("en_US")
                           << QByteArray("America/New_York") << QStringLiteral("Sunday, Dec 6");
    QTest::newRow("de_DE") << sundayNoon << weekday << QStringLiteral("de_DE") << QByteArray("Europe/Berlin")
                           << QStringLiteral("Sonntag, 6. Dez.");
    QTest::newRow("fr_FR") << sundayNoon << weekday << QStringLiteral("fr_FR") << QByteArray("Europe/Paris")
                           << QStringLiteral("dimanche 6 d\u00e9c.");
    // 03:00 UTC on Monday is still Sunday evening in New York: the zone decides the date.
    const QDateTime lateSunday(QDate(2026, 12, 7), QTime(3, 0), Qt::UTC);
    QTest::newRow("zone decides the day")
        << lateSunday << weekday << QStringLiteral("en_US") << QByteArray("America/New_York")
        << QStringLiteral("Sunday, Dec 6");
    QTest::newRow("same instant in UTC") << lateSunday << weekday << QStringLiteral("en_US")
                                         << QByteArray("UTC") << QStringLiteral("Monday, Dec 7");
    QTest::newRow("on a day starting at 01:00")
        << QDateTime(QDate(2018, 11, 4), QTime(1, 0), QTimeZone("America/Sao_Paulo")) << weekday
        << QStringLiteral("en_US") << QByteArray("America/Sao_Paulo") << QStringLiteral("Sunday, Nov 4");
    QTest::newRow("fields reordered by locale")
        << sundayNoon << QStringLiteral("yMd") << QStringLiteral("de_DE") << QByteArray("Europe/Berlin")
        << QStringLiteral("6.12.2026");
    QTest::newRow("month and day, en_US") << sundayNoon << QStringLiteral("MMMd") << QStringLiteral("en_US")
                                          << QByteArray("America/New_York") << QStringLiteral("Dec 6");
}

void FormattingTest::dateFromSkeleton()
{
    QFETCH(QDateTime, instant);
    QFETCH(QString, skeleton);
    QFETCH(QString, locale);
    QFETCH(QByteArray, zone);
    QFETCH(QString, expected);

    QCOMPARE(Formatting::dateFromSkeleton(instant, skeleton, QLocale(locale), QTimeZone(zone)), expected);
}

void FormattingTest::dateFromSkeletonEdgeInput()
{
    const QLocale en(QStringLiteral("en_US"));
    const QString weekday = QStringLiteral("EEEEMMMd");
    const QDateTime lateSunday(QDate(2026, 12, 7), QTime(3, 0), Qt::UTC);

    QVERIFY(Formatting::dateFromSkeleton(QDateTime(), weekday, en, QTimeZone::utc()).isEmpty());
    // A fixed-offset zone has no IANA name; its offset still applies.
    QCOMPARE(Formatting::dateFromSkeleton(lateSunday, weekday, en, QTimeZone(-5 * 3600)),
             QStringLiteral("Sunday, Dec 6"));
    QCOMPARE(Formatting::dateFromSkeleton(lateSunday, weekday, en, QTimeZone(14 * 3600)),
             QStringLiteral("Monday, Dec 7"));
    // An unknown zone reads as UTC.
    QCOMPARE(Formatting::dateFromSkeleton(lateSunday, weekday, en, QTimeZone("Nowhere/Atlantis")),
             QStringLiteral("Monday, Dec 7"));
    // Cached formatters must not carry one call's zone into the next.
    QCOMPARE(Formatting::dateFromSkeleton(lateSunday, weekday, en, QTimeZone("America/New_York")),
             QStringLiteral("Sunday, Dec 6"));
    QCOMPARE(Formatting::dateFromSkeleton(lateSunday, weekday, en, QTimeZone::utc()),
             QStringLiteral("Monday, Dec 7"));
}

void FormattingTest::integer_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    QTest::newRow("en_US grouping") << qint64(1234) << QStringLiteral("en_US") << QStringLiteral("1,234");
    QTest::newRow("de_DE grouping") << qint64(1234) << QStringLiteral("de_DE") << QStringLiteral("1.234");
    QTest::newRow("fr_FR grouping") << qint64(1234) << QStringLiteral("fr_FR")
                                    << QStringLiteral("1") + nnbsp + QStringLiteral("234");
    QTest::newRow("no grouping below 1000")
        << qint64(999) << QStringLiteral("de_DE") << QStringLiteral("999");
    QTest::newRow("zero") << qint64(0) << QStringLiteral("en_US") << QStringLiteral("0");
    QTest::newRow("negative") << qint64(-1234567) << QStringLiteral("en_US") << QStringLiteral("-1,234,567");
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << QStringLiteral("en_US")
                             << QStringLiteral("9,223,372,036,854,775,807");
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << QStringLiteral("de_DE")
                              << QStringLiteral("-9.223.372.036.854.775.808");
}

void FormattingTest::integer()
{
    QFETCH(qint64, value);
    QFETCH(QString, locale);
    QFETCH(QString, expected);

    QCOMPARE(Formatting::integer(value, QLocale(locale)), expected);
}

void FormattingTest::timeOfDay_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    QTest::newRow("en_US morning") << 540 << QStringLiteral("en_US")
                                   << QStringLiteral("9:00") + nnbsp + QStringLiteral("AM");
    QTest::newRow("de_DE morning") << 540 << QStringLiteral("de_DE") << QStringLiteral("09:00");
    QTest::newRow("fr_FR morning") << 540 << QStringLiteral("fr_FR") << QStringLiteral("09:00");
    QTest::newRow("en_US midnight") << 0 << QStringLiteral("en_US")
                                    << QStringLiteral("12:00") + nnbsp + QStringLiteral("AM");
    QTest::newRow("en_US last minute")
        << 1439 << QStringLiteral("en_US") << QStringLiteral("11:59") + nnbsp + QStringLiteral("PM");
    QTest::newRow("de_DE evening") << 1305 << QStringLiteral("de_DE") << QStringLiteral("21:45");
    QTest::newRow("a full day wraps") << 1440 << QStringLiteral("de_DE") << QStringLiteral("00:00");
    QTest::newRow("negative wraps back") << -1 << QStringLiteral("de_DE") << QStringLiteral("23:59");
    QTest::newRow("far out of range")
        << std::numeric_limits<int>::min() << QStringLiteral("de_DE") << QStringLiteral("21:52");
}

void FormattingTest::timeOfDay()
{
    QFETCH(int, minutes);
    QFETCH(QString, locale);
    QFETCH(QString, expected);

    QCOMPARE(Formatting::timeOfDay(minutes, QLocale(locale)), expected);
}

void FormattingTest::isolatedNameReordersOnlyItself_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << QStringLiteral("Fern");
    QTest::newRow("right-to-left override") << QStringLiteral("evil\u202Eexe.txt");
    QTest::newRow("Hebrew") << QStringLiteral("\u05D0\u05D1\u05D2 12");
    QTest::newRow("stray closer, then override") << QStringLiteral("a\u2069\u202Eevil");
    QTest::newRow("isolate left open") << QStringLiteral("\u2067\u05D0\u05D1");
    QTest::newRow("embedding popped too often") << QStringLiteral("\u202C\u202C\u202Bx");
    QTest::newRow("empty") << QString();
}

void FormattingTest::isolatedNameReordersOnlyItself()
{
    QFETCH(QString, name);
    const QString before = QStringLiteral("Water ");
    const QString after = QStringLiteral(" \u00B7 Office 3");
    const QString line = before + Formatting::isolated(name) + after;

    // Lay the line out as a left-to-right paragraph and check that the text around the name
    // stays where it was written.
    UErrorCode status = U_ZERO_ERROR;
    UBiDi *bidi = ubidi_open();
    ubidi_setPara(bidi, reinterpret_cast<const UChar *>(line.utf16()), int32_t(line.size()), UBIDI_LTR,
                  nullptr, &status);
    QVERIFY(U_SUCCESS(status));
    QList<int32_t> visual(line.size());
    ubidi_getLogicalMap(bidi, visual.data(), &status);
    ubidi_close(bidi);
    QVERIFY(U_SUCCESS(status));
    for (qsizetype i = 0; i < before.size(); ++i)
        QCOMPARE(visual[i], int32_t(i));
    for (qsizetype i = line.size() - after.size(); i < line.size(); ++i)
        QCOMPARE(visual[i], int32_t(i));
    // The name itself is kept whole: only isolate controls are added or dropped.
    QString kept = Formatting::isolated(name);
    kept.remove(QChar(0x2068)).remove(QChar(0x2069));
    QString expected = name;
    QCOMPARE(kept, expected.remove(QChar(0x2068)).remove(QChar(0x2069)));
}

void FormattingTest::isolatesOnlyWhereNeeded_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Qt::LayoutDirection>("context");
    QTest::addColumn<bool>("wrapped");
    const auto ltr = Qt::LeftToRight;
    const auto rtl = Qt::RightToLeft;
    const QString hebrew = QStringLiteral("\u05E9\u05E8\u05DA");
    QTest::newRow("left-to-right name") << QStringLiteral("Fern") << ltr << false;
    QTest::newRow("punctuation inside") << QStringLiteral("Dr. Fern's ivy") << ltr << false;
    QTest::newRow("accent mark at the end") << QStringLiteral("Cafe\u0301") << ltr << false;
    QTest::newRow("right-to-left name") << hebrew << ltr << true;
    QTest::newRow("Arabic name") << QStringLiteral("\u0635\u0628\u0627\u0631") << ltr << true;
    QTest::newRow("mixed, right-to-left inside")
        << QStringLiteral("Fern ") + hebrew + QStringLiteral(" big") << ltr << true;
    QTest::newRow("right-to-left mark") << QStringLiteral("Fern\u200F") << ltr << true;
    QTest::newRow("embedding") << QStringLiteral("\u202Aabc\u202C") << ltr << true;
    QTest::newRow("override") << QStringLiteral("evil\u202Eexe.txt") << ltr << true;
    QTest::newRow("isolate inside") << QStringLiteral("a\u2066b\u2069c") << ltr << true;
    QTest::newRow("starts with digits") << QStringLiteral("3 Ferns") << ltr << true;
    QTest::newRow("ends with digits") << QStringLiteral("Fern 2") << ltr << true;
    QTest::newRow("starts with punctuation") << QStringLiteral("(Fern") << ltr << true;
    QTest::newRow("ends with punctuation") << QStringLiteral("Fern!") << ltr << true;
    QTest::newRow("only a space") << QStringLiteral(" ") << ltr << true;
    QTest::newRow("empty") << QString() << ltr << false;
    QTest::newRow("right-to-left name in right-to-left text") << hebrew << rtl << false;
    QTest::newRow("left-to-right name in right-to-left text") << QStringLiteral("Fern") << rtl << true;
}

void FormattingTest::isolatesOnlyWhereNeeded()
{
    QFETCH(QString, name);
    QFETCH(Qt::LayoutDirection, context);
    QFETCH(bool, wrapped);
    const QString expected = wrapped ? QChar(0x2068) + name + QChar(0x2069) : name;
    QCOMPARE(Formatting::isolated(name, context), expected);
}

QTEST_GUILESS_MAIN(FormattingTest)
#include "tst_formatting.moc"
