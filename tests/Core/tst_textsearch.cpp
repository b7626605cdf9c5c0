#include "Core/TextSearch.h"

#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

class TextSearchTest final : public QObject
{
    Q_OBJECT

private slots:
    void localizedContains_data();
    void localizedContains();
    void oddTextNeverFails_data();
    void oddTextNeverFails();
    void repeatedSearchesDoNotReuseStaleText();
    void threadsSearchIndependently();
};

void TextSearchTest::localizedContains_data()
{
    QTest::addColumn<QString>("haystack");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("found");

    const QString en = QStringLiteral("en_US");
    QTest::newRow("case ignored") << QStringLiteral("Boston fern") << QStringLiteral("FERN") << en << true;
    QTest::newRow("accent in the name")
        << QStringLiteral("Caf\u00e9") << QStringLiteral("cafe") << en << true;
    QTest::newRow("accent in the search")
        << QStringLiteral("Cafe") << QStringLiteral("caf\u00e9") << en << true;
    QTest::newRow("decomposed accent")
        << QStringLiteral("Cafe\u0301 corner") << QStringLiteral("cafe c") << en << true;
    QTest::newRow("scientific name") << QStringLiteral("Ficus lyrata") << QStringLiteral("ficus") << en
                                     << true;
    QTest::newRow("empty search matches all") << QStringLiteral("Monstera") << QString() << en << true;
    QTest::newRow("empty search, empty name") << QString() << QString() << en << true;
    QTest::newRow("non-empty search, empty name") << QString() << QStringLiteral("a") << en << false;
    QTest::newRow("single space finds a space")
        << QStringLiteral("Snake Plant") << QStringLiteral(" ") << en << true;
    QTest::newRow("single space, no space")
        << QStringLiteral("Monstera") << QStringLiteral(" ") << en << false;
    QTest::newRow("search not trimmed")
        << QStringLiteral("Monstera") << QStringLiteral("monstera ") << en << false;
    QTest::newRow("absent word") << QStringLiteral("Monstera") << QStringLiteral("plant") << en << false;
    QTest::newRow("longer than the name")
        << QStringLiteral("ZZ") << QStringLiteral("ZZ Plant") << en << false;
    QTest::newRow("full-width letters")
        << QStringLiteral("\uff26\uff45\uff52\uff4e") << QStringLiteral("fern") << en << true;
    QTest::newRow("German sharp s") << QStringLiteral("Gro\u00dfe Palme") << QStringLiteral("grosse")
                                    << QStringLiteral("de_DE") << true;
    QTest::newRow("French accents") << QStringLiteral("Plante \u00e0 \u00e9pices")
                                    << QStringLiteral("A EPICES") << QStringLiteral("fr_FR") << true;
    // The locale decides what a diacritic is: in Swedish, å is a letter of its own.
    QTest::newRow("English folds a-ring")
        << QStringLiteral("\u00c5kerb\u00e4r") << QStringLiteral("aker") << en << true;
    QTest::newRow("Swedish keeps a-ring")
        << QStringLiteral("\u00c5kerb\u00e4r") << QStringLiteral("aker") << QStringLiteral("sv_SE") << false;
    QTest::newRow("emoji in a name") << QStringLiteral("My \U0001F33F herb") << QStringLiteral("\U0001F33F")
                                     << en << true;
    QTest::newRow("another emoji") << QStringLiteral("My \U0001F33F herb") << QStringLiteral("\U0001F340")
                                   << en << false;
    QTest::newRow("C locale") << QStringLiteral("Aloe Vera") << QStringLiteral("VERA") << QStringLiteral("C")
                              << true;
}

void TextSearchTest::localizedContains()
{
    QFETCH(QString, haystack);
    QFETCH(QString, needle);
    QFETCH(QString, locale);
    QFETCH(bool, found);

    QCOMPARE(TextSearch::localizedContains(haystack, needle, QLocale(locale)), found);
}

void TextSearchTest::oddTextNeverFails_data()
{
    QTest::addColumn<QString>("haystack");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<bool>("found");

    // A search made only of characters that compare as nothing holds nothing to look for.
    QTest::newRow("lone combining mark") << QStringLiteral("Fern") << QStringLiteral("\u0301") << true;
    QTest::newRow("lone combining mark, empty name") << QString() << QStringLiteral("\u0301") << true;
    QTest::newRow("zero-width space") << QStringLiteral("Fern") << QStringLiteral("\u200b") << true;
    QTest::newRow("name of combining marks")
        << QStringLiteral("\u0301\u0308") << QStringLiteral("a") << false;
    QTest::newRow("format character inside name")
        << QStringLiteral("Fe\u200brn") << QStringLiteral("fern") << true;
    QTest::newRow("unpaired high surrogate in search")
        << QStringLiteral("Fern") << QString(QChar(0xd800)) << false;
    QTest::newRow("unpaired surrogate in both")
        << QStringLiteral("Fe") + QChar(0xd800) + QStringLiteral("rn") << QString(QChar(0xd800)) << true;
    QTest::newRow("unpaired low surrogate in name")
        << QString(QChar(0xdc00)) + QStringLiteral("Fern") << QStringLiteral("fern") << true;
    QTest::newRow("half of a pair") << QStringLiteral("\U0001F33F") << QString(QChar(0xd83c)) << false;
    QTest::newRow("private use") << QStringLiteral("\ue000\uf8ff") << QStringLiteral("\uf8ff") << true;
    QTest::newRow("noncharacter") << QStringLiteral("a\uffffb") << QStringLiteral("\uffff") << true;
    QTest::newRow("long name") << QString(100'000, QLatin1Char('x')) + QStringLiteral("fern")
                               << QStringLiteral("FERN") << true;
}

void TextSearchTest::oddTextNeverFails()
{
    QFETCH(QString, haystack);
    QFETCH(QString, needle);
    QFETCH(bool, found);

    for (const char *locale : {"en_US", "de_DE", "ja_JP", "C"})
        QCOMPARE(TextSearch::localizedContains(haystack, needle, QLocale(QLatin1String(locale))), found);
}

void TextSearchTest::repeatedSearchesDoNotReuseStaleText()
{
    // The search object is reused between calls; each call must see only its own text and search.
    const QLocale en(QStringLiteral("en_US"));
    QString name = QStringLiteral("Boston fern");
    QVERIFY(TextSearch::localizedContains(name, u"fern", en));
    name = QStringLiteral("Monstera");
    QVERIFY(!TextSearch::localizedContains(name, u"fern", en));
    QVERIFY(TextSearch::localizedContains(name, u"stera", en));
    QVERIFY(!TextSearch::localizedContains(QStringLiteral("Boston fern"), u"stera", en));
    QVERIFY(TextSearch::localizedContains(QStringLiteral("Boston fern"), u"\u0301", en));
    QVERIFY(!TextSearch::localizedContains(QStringLiteral("Boston fern"), u"stera", en));
    // A search text that lives only for the call.
    QVERIFY(TextSearch::localizedContains(QStringLiteral("Pothos"), QStringLiteral("POT").toLower(), en));
    QVERIFY(!TextSearch::localizedContains(QStringLiteral("Jade"), QStringLiteral("POT").toLower(), en));
    // Switching locales back and forth keeps each locale's rule.
    QVERIFY(!TextSearch::localizedContains(u"\u00e5", u"a", QLocale(QStringLiteral("sv_SE"))));
    QVERIFY(TextSearch::localizedContains(u"\u00e5", u"a", en));
    QVERIFY(!TextSearch::localizedContains(u"\u00e5", u"a", QLocale(QStringLiteral("sv_SE"))));
}

void TextSearchTest::threadsSearchIndependently()
{
    struct Probe
    {
        QString haystack;
        QString needle;
        QLocale locale;
        bool found;
    };
    const std::vector<Probe> probes = {
        {QStringLiteral("Boston fern"), QStringLiteral("FERN"), QLocale(QStringLiteral("en_US")), true},
        {QStringLiteral("Caf\u00e9"), QStringLiteral("cafe"), QLocale(QStringLiteral("fr_FR")), true},
        {QStringLiteral("Monstera"), QStringLiteral("plant"), QLocale(QStringLiteral("de_DE")), false},
        {QStringLiteral("\u00c5ker"), QStringLiteral("aker"), QLocale(QStringLiteral("sv_SE")), false},
    };
    std::atomic<int> mismatches = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                const Probe &probe = probes[size_t((i + t) % int(probes.size()))];
                if (TextSearch::localizedContains(probe.haystack, probe.needle, probe.locale) != probe.found)
                    ++mismatches;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(mismatches.load(), 0);
}

QTEST_GUILESS_MAIN(TextSearchTest)
#include "tst_textsearch.moc"
