#include "Models/CareEvent.h"
#include "Models/CareKind.h"

#include <QHash>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<CareKind>)

class CareKindTest final : public QObject
{
    Q_OBJECT

private slots:
    void fromRawValue_data();
    void fromRawValue();
    void storedKindReadsBack_data();
    void storedKindReadsBack();
    void newEventStoresRawValue();
    void allCasesKeepTheirOrder();
    void eventsAreDistinctRecords();
};

void CareKindTest::fromRawValue_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<std::optional<CareKind>>("kind");

    QTest::newRow("water") << QStringLiteral("water") << std::optional<CareKind>(CareKind::water);
    QTest::newRow("fertilize") << QStringLiteral("fertilize") << std::optional<CareKind>(CareKind::fertilize);
    QTest::newRow("mist") << QStringLiteral("mist") << std::optional<CareKind>(CareKind::mist);
    QTest::newRow("capitalised") << QStringLiteral("Water") << std::optional<CareKind>();
    QTest::newRow("leading space") << QStringLiteral(" mist") << std::optional<CareKind>();
    QTest::newRow("trailing space") << QStringLiteral("mist ") << std::optional<CareKind>();
    QTest::newRow("other word") << QStringLiteral("watering") << std::optional<CareKind>();
    QTest::newRow("prefix") << QStringLiteral("fert") << std::optional<CareKind>();
    QTest::newRow("empty") << QString() << std::optional<CareKind>();
}

void CareKindTest::fromRawValue()
{
    QFETCH(QString, raw);
    QFETCH(std::optional<CareKind>, kind);

    QVERIFY(CareKind::fromRawValue(raw) == kind);
}

void CareKindTest::storedKindReadsBack_data()
{
    QTest::addColumn<QString>("kindRaw");
    QTest::addColumn<int>("kind");

    QTest::newRow("Water") << QStringLiteral("Water") << int(CareKind::water);
    QTest::newRow("watering") << QStringLiteral("watering") << int(CareKind::water);
    QTest::newRow(" mist") << QStringLiteral(" mist") << int(CareKind::water);
    QTest::newRow("empty") << QString() << int(CareKind::water);
    QTest::newRow("mist") << QStringLiteral("mist") << int(CareKind::mist);
    QTest::newRow("fertilize") << QStringLiteral("fertilize") << int(CareKind::fertilize);
}

void CareKindTest::storedKindReadsBack()
{
    QFETCH(QString, kindRaw);
    QFETCH(int, kind);

    const CareEvent event(42, kindRaw, 1'700'000'000'000, QString());
    QCOMPARE(int(event.kind().value()), kind);
    // The stored text is kept as it was read, so writing the event back loses nothing.
    QCOMPARE(event.kindRaw(), kindRaw);
    QCOMPARE(event.id(), RecordId(42));
    QCOMPARE(event.dateMsecs(), 1'700'000'000'000);
}

void CareKindTest::newEventStoresRawValue()
{
    const QDateTime when(QDate(2026, 12, 7), QTime(8, 15), Qt::UTC);
    for (CareKind kind : CareKind::allCases()) {
        const CareEvent event(kind, when);
        QCOMPARE(event.kindRaw(), kind.rawValue());
        QVERIFY(event.kind() == kind);
        QCOMPARE(event.date(), when);
        QVERIFY(event.note().isEmpty());
        QCOMPARE(event.plant(), nullptr);
        QVERIFY(event.id() != 0);
    }
    QCOMPARE(CareEvent(CareKind::fertilize, when).kindRaw(), QStringLiteral("fertilize"));
}

void CareKindTest::allCasesKeepTheirOrder()
{
    // The declared order, not the order of the titles (Fertilize, Mist, Water).
    const auto all = CareKind::allCases();
    QVERIFY(all[0] == CareKind::water);
    QVERIFY(all[1] == CareKind::fertilize);
    QVERIFY(all[2] == CareKind::mist);

    // Kinds key maps (kind to interval in the plant form); each kind is a distinct key.
    QHash<CareKind, int> intervals;
    for (CareKind kind : all)
        intervals.insert(kind, kind.index());
    QCOMPARE(intervals.size(), 3);
    QCOMPARE(intervals.value(CareKind::mist), 2);
}

void CareKindTest::eventsAreDistinctRecords()
{
    const QDateTime when(QDate(2026, 12, 7), QTime(8, 15), Qt::UTC);
    const CareEvent first(CareKind::water, when);
    const CareEvent second(CareKind::water, when);
    QVERIFY(first.id() != second.id());
}

QTEST_GUILESS_MAIN(CareKindTest)
#include "tst_careKind.moc"
