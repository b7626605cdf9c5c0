#include "Models/Plant.h"
#include "Models/Species.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <functional>

Q_DECLARE_METATYPE(std::function<void(Species &)>)

class SpeciesTest final : public QObject
{
    Q_OBJECT

private slots:
    void find_data();
    void find();
    void everyFieldTakesPartInEquality_data();
    void everyFieldTakesPartInEquality();
    void equalValuesHashAlike();
    void rawValues_data();
    void rawValues();
    void catalogIsWellFormed();
    void catalogTextsUseTypographicDashesOnly();
    void petSafetyAndMisting();
    void photoCreditsCoverTheCatalog();
    void pictureFollowsTheImageFile();
};

void SpeciesTest::find_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("commonName");

    QTest::newRow("monstera") << QStringLiteral("monstera") << QStringLiteral("Monstera");
    QTest::newRow("last entry") << QStringLiteral("hoya") << QStringLiteral("Wax Plant");
    QTest::newRow("capital M") << QStringLiteral("Monstera") << QStringLiteral("Other plant");
    QTest::newRow("leading space") << QStringLiteral(" monstera") << QStringLiteral("Other plant");
    QTest::newRow("trailing space") << QStringLiteral("monstera ") << QStringLiteral("Other plant");
    QTest::newRow("empty") << QString() << QStringLiteral("Other plant");
    QTest::newRow("custom") << QStringLiteral("custom") << QStringLiteral("Other plant");
    QTest::newRow("misspelled") << QStringLiteral("monsterra") << QStringLiteral("Other plant");
    // Compatibility-equal but not canonically equal (long s): no match.
    QTest::newRow("long s") << QStringLiteral("mon\u017ftera") << QStringLiteral("Other plant");
    QTest::newRow("full-width") << QStringLiteral("\uff5a\uff5a") << QStringLiteral("Other plant");
}

void SpeciesTest::find()
{
    QFETCH(QString, id);
    QFETCH(QString, commonName);

    QCOMPARE(Species::find(id).commonName, commonName);
    if (commonName == QStringLiteral("Other plant"))
        QCOMPARE(&Species::find(id), &Species::custom());
}

void SpeciesTest::everyFieldTakesPartInEquality_data()
{
    using Change = std::function<void(Species &)>;
    QTest::addColumn<Change>("change");

    QTest::newRow("id") << Change([](Species &s) { s.id = QStringLiteral("fern2"); });
    QTest::newRow("commonName") << Change([](Species &s) { s.commonName += QLatin1Char(' '); });
    QTest::newRow("scientificName") << Change([](Species &s) { s.scientificName = s.scientificName.toLower(); });
    QTest::newRow("light") << Change([](Species &s) { s.light = LightLevel::direct; });
    QTest::newRow("waterDays") << Change([](Species &s) { s.waterDays += 1; });
    QTest::newRow("fertilizeDays") << Change([](Species &s) { s.fertilizeDays = -s.fertilizeDays; });
    QTest::newRow("mistDays") << Change([](Species &s) { s.mistDays = 0; });
    QTest::newRow("humidity") << Change([](Species &s) { s.humidity = QStringLiteral("Average"); });
    QTest::newRow("difficulty") << Change([](Species &s) { s.difficulty = Difficulty::expert; });
    QTest::newRow("petSafe") << Change([](Species &s) { s.petSafe = !s.petSafe; });
    QTest::newRow("hue") << Change([](Species &s) { s.hue += 1e-12; });
    QTest::newRow("summary") << Change([](Species &s) { s.summary.clear(); });
    QTest::newRow("tips reordered") << Change([](Species &s) { s.tips.swapItemsAt(0, 2); });
    QTest::newRow("tip added") << Change([](Species &s) { s.tips.append(QString()); });
    QTest::newRow("tips split differently") << Change([](Species &s) {
        s.tips = {s.tips[0] + s.tips[1], s.tips[2]};
    });
}

void SpeciesTest::everyFieldTakesPartInEquality()
{
    QFETCH(std::function<void(Species &)>, change);

    const Species &fern = Species::find(QStringLiteral("fern"));
    Species changed = fern;
    QVERIFY(changed == fern);
    change(changed);
    QVERIFY(!(changed == fern));
    QVERIFY(changed != fern);
    QVERIFY(qHash(changed) != qHash(fern));
}

void SpeciesTest::equalValuesHashAlike()
{
    for (const Species &species : Species::catalog()) {
        const Species copy = species;
        QCOMPARE(qHash(copy, 17), qHash(species, 17));
    }
    Species positive = Species::custom();
    positive.hue = 0.0;
    Species negative = Species::custom();
    negative.hue = -0.0;
    QVERIFY(positive == negative);
    QCOMPARE(qHash(negative), qHash(positive));
    QCOMPARE(qHash(negative, 99), qHash(positive, 99));

    QSet<Species> set;
    for (const Species &species : Species::catalog())
        set.insert(species);
    set.insert(Species::custom());
    set.insert(Species::find(QStringLiteral("fern")));
    QCOMPARE(set.size(), 19);
}

void SpeciesTest::rawValues_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<int>("light");      // -1: none
    QTest::addColumn<int>("difficulty"); // -1: none

    QTest::newRow("low") << QStringLiteral("low") << int(LightLevel::low) << -1;
    QTest::newRow("medium") << QStringLiteral("medium") << int(LightLevel::medium) << -1;
    QTest::newRow("bright") << QStringLiteral("bright") << int(LightLevel::bright) << -1;
    QTest::newRow("direct") << QStringLiteral("direct") << int(LightLevel::direct) << -1;
    QTest::newRow("Low") << QStringLiteral("Low") << -1 << -1;
    QTest::newRow("easy") << QStringLiteral("easy") << -1 << int(Difficulty::easy);
    QTest::newRow("moderate") << QStringLiteral("moderate") << -1 << int(Difficulty::moderate);
    QTest::newRow("expert") << QStringLiteral("expert") << -1 << int(Difficulty::expert);
    QTest::newRow("Easy") << QStringLiteral("Easy") << -1 << -1;
    QTest::newRow("empty") << QString() << -1 << -1;
    QTest::newRow("label") << QStringLiteral("Low light") << -1 << -1;
}

void SpeciesTest::rawValues()
{
    QFETCH(QString, raw);
    QFETCH(int, light);
    QFETCH(int, difficulty);

    const std::optional<LightLevel> level = LightLevel::fromRawValue(raw);
    QCOMPARE(level ? int(level->value()) : -1, light);
    if (level)
        QCOMPARE(level->rawValue(), raw);
    const std::optional<Difficulty> demand = Difficulty::fromRawValue(raw);
    QCOMPARE(demand ? int(demand->value()) : -1, difficulty);
    if (demand) {
        QCOMPARE(demand->rawValue(), raw);
        QCOMPARE(demand->label(), raw.left(1).toUpper() + raw.mid(1));
    }
}

void SpeciesTest::catalogIsWellFormed()
{
    const QList<Species> &catalog = Species::catalog();
    QCOMPARE(catalog.size(), 18);
    QSet<QString> ids;
    for (const Species &species : catalog) {
        ids.insert(species.id);
        QVERIFY(species.id != QStringLiteral("custom"));
        QVERIFY2(!species.id.isEmpty() && species.id == species.id.toLower()
                     && species.id.toLatin1() == species.id.toUtf8(),
                 qPrintable(species.id));
        QCOMPARE(&Species::find(species.id), &species);
        QCOMPARE(species.tips.size(), 3);
        QVERIFY(species.waterDays >= 4);
        QVERIFY(species.fertilizeDays >= 21);
        QVERIFY(species.mistDays >= 0);
        QVERIFY((QStringList{QStringLiteral("Low"), QStringLiteral("Average"), QStringLiteral("High")}
                     .contains(species.humidity)));
        // The placeholder's second colour adds 0.04 to the hue and must stay on the circle.
        QVERIFY(species.hue >= 0.0 && species.hue + 0.04 <= 1.0);
        QCOMPARE(species.imageName(), QStringLiteral("Species/") + species.id);
    }
    QCOMPARE(ids.size(), 18);
    QVERIFY(!catalog.contains(Species::custom()));
}

void SpeciesTest::catalogTextsUseTypographicDashesOnly()
{
    QStringList withDash;
    for (const Species &species : Species::catalog()) {
        for (const QString &tip : species.tips) {
            QVERIFY2(!tip.contains(QStringLiteral(" - ")) && !tip.contains(QStringLiteral("--")), qPrintable(tip));
            QVERIFY2(!tip.contains(QChar(0x2019)), qPrintable(tip)); // apostrophes are plain ASCII
            if (tip.contains(QChar(0x2014))) {
                QVERIFY2(tip.contains(QStringLiteral(" \u2014 ")), qPrintable(tip));
                QCOMPARE(tip, species.tips.first());
                withDash.append(species.id);
            }
        }
    }
    QCOMPARE(withDash, (QStringList{QStringLiteral("snake"), QStringLiteral("fiddle"), QStringLiteral("pilea"),
                                    QStringLiteral("hoya")}));
}

void SpeciesTest::petSafetyAndMisting()
{
    QStringList petSafe;
    int noMisting = 0;
    for (const Species &species : Species::catalog()) {
        if (species.petSafe)
            petSafe.append(species.id);
        QCOMPARE(species.petSafetyLabel(), species.petSafe ? QStringLiteral("Pet safe") : QStringLiteral("Toxic to pets"));
        if (species.mistDays == 0) {
            ++noMisting;
            // A new plant of such a species starts with misting off.
            const Plant plant(QStringLiteral("New"), species, QStringLiteral("Hall"));
            QVERIFY(!plant.enabledKinds().contains(CareKind::mist));
        }
    }
    QCOMPARE(petSafe, (QStringList{QStringLiteral("spider"), QStringLiteral("calathea"), QStringLiteral("fern"),
                                   QStringLiteral("pilea"), QStringLiteral("parlor"), QStringLiteral("hoya")}));
    QCOMPARE(noMisting, 12);
}

void SpeciesTest::photoCreditsCoverTheCatalog()
{
    const QStringList licences = {QStringLiteral("CC BY-SA 4.0"), QStringLiteral("CC BY-SA 3.0"),
                                  QStringLiteral("CC BY 4.0"),    QStringLiteral("CC BY 2.0"),
                                  QStringLiteral("CC0"),          QStringLiteral("Public domain")};
    for (const Species &species : Species::catalog()) {
        const std::optional<PhotoCredit> credit = species.photoCredit();
        QVERIFY2(credit, qPrintable(species.id));
        QVERIFY2(licences.contains(credit->license), qPrintable(credit->license));
        // A credit describes the photograph stored under the species' name: with a picture it
        // must name its author and Commons page; without one it is never shown.
        if (species.hasImage()) {
            QVERIFY2(!credit->author.isEmpty(), qPrintable(species.id));
            const QUrl source(credit->source);
            QVERIFY2(source.isValid() && source.host() == QStringLiteral("commons.wikimedia.org"),
                     qPrintable(credit->source));
        }
    }
    QVERIFY(!Species::custom().photoCredit());
    Species renamed = Species::find(QStringLiteral("fern"));
    renamed.id = QStringLiteral("Fern");
    QVERIFY(!renamed.photoCredit());
}

void SpeciesTest::pictureFollowsTheImageFile()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    Species::setImageDirectory(directory.path());
    const Species &fern = Species::find(QStringLiteral("fern"));
    const Species &hoya = Species::find(QStringLiteral("hoya"));
    QVERIFY(!fern.hasImage());

    QFile file(directory.filePath(QStringLiteral("fern.jpg")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xff\xd8\xff");
    file.close();
    QVERIFY(fern.hasImage());
    QCOMPARE(fern.imagePath(), directory.filePath(QStringLiteral("fern.jpg")));
    QVERIFY(!hoya.hasImage());
    QVERIFY(!Species::custom().hasImage());

    Species::setImageDirectory(QString());
    QCOMPARE(fern.imagePath(), QStringLiteral(":/Species/fern.jpg"));
}

QTEST_GUILESS_MAIN(SpeciesTest)
#include "tst_species.moc"
