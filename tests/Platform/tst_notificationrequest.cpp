#include "Platform/NotificationRequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

namespace {

NotificationRequest sample()
{
    NotificationRequest r;
    r.identifier = QStringLiteral("tendrel.daily.3");
    r.title = QStringLiteral("2 care tasks today");
    r.body = QStringLiteral("Water Fern, Mist Fern");
    r.defaultSound = false;
    r.trigger = {2026, 12, 10, 8, 5};
    return r;
}

} // namespace

class TestNotificationRequest : public QObject
{
    Q_OBJECT

private slots:
    void survivesTheBusAndTheFile();
    void refusesBadInput_data();
    void refusesBadInput();
    void momentOfImpossibleComponentsIsNone();
};

void TestNotificationRequest::survivesTheBusAndTheFile()
{
    const NotificationRequest request = sample();
    QCOMPARE(NotificationRequest::fromVariantMap(request.toVariantMap()), request);
    // The agent's file stores numbers as JSON doubles.
    const QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(request.toVariantMap())).toJson();
    QCOMPARE(NotificationRequest::fromVariantMap(QJsonDocument::fromJson(json).object().toVariantMap()),
             request);
    // A request without a sound field plays the default sound.
    QVariantMap noSound = request.toVariantMap();
    noSound.remove(QStringLiteral("sound"));
    QVERIFY(NotificationRequest::fromVariantMap(noSound)->defaultSound);
}

void TestNotificationRequest::refusesBadInput_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value"); // invalid: the key is removed

    QTest::newRow("no identifier") << QStringLiteral("identifier") << QVariant();
    QTest::newRow("empty identifier") << QStringLiteral("identifier") << QVariant(QString());
    QTest::newRow("identifier not text") << QStringLiteral("identifier") << QVariant(42);
    QTest::newRow("huge title") << QStringLiteral("title") << QVariant(QString(2000, QLatin1Char('x')));
    QTest::newRow("huge body") << QStringLiteral("body") << QVariant(QString(9000, QLatin1Char('x')));
    QTest::newRow("unknown sound") << QStringLiteral("sound") << QVariant(QStringLiteral("bell"));
    QTest::newRow("year as text") << QStringLiteral("year") << QVariant(QStringLiteral("2026"));
    QTest::newRow("fractional minute") << QStringLiteral("minute") << QVariant(2.5);
    QTest::newRow("no hour") << QStringLiteral("hour") << QVariant();
    QTest::newRow("month 13") << QStringLiteral("month") << QVariant(13);
    QTest::newRow("February 30") << QStringLiteral("day") << QVariant(31);
    QTest::newRow("hour 24") << QStringLiteral("hour") << QVariant(24);
    QTest::newRow("minute -1") << QStringLiteral("minute") << QVariant(-1);
    QTest::newRow("absurd year") << QStringLiteral("year") << QVariant(qlonglong(1) << 40);
    // D-Bus "t" and "u": huge unsigned values must not wrap round to small negative ones.
    QTest::newRow("uint64 year that reads as -1")
        << QStringLiteral("year") << QVariant::fromValue(std::numeric_limits<qulonglong>::max());
    QTest::newRow("uint64 year that reads as -2026")
        << QStringLiteral("year") << QVariant::fromValue(qulonglong(0) - 2026);
}

void TestNotificationRequest::refusesBadInput()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    QVariantMap map = sample().toVariantMap();
    map.insert(QStringLiteral("month"), 2);
    if (value.isValid())
        map.insert(key, value);
    else
        map.remove(key);
    QString reason;
    QVERIFY(!NotificationRequest::fromVariantMap(map, &reason));
    QVERIFY(!reason.isEmpty());
}

void TestNotificationRequest::momentOfImpossibleComponentsIsNone()
{
    QVERIFY(!NotificationTrigger({2026, 2, 29, 9, 0}).moment(QTimeZone::utc()));
    QVERIFY(!NotificationTrigger{}.moment(QTimeZone::utc()));
    QCOMPARE(NotificationTrigger({2028, 2, 29, 9, 0}).moment(QTimeZone::utc()),
             QDateTime(QDate(2028, 2, 29), QTime(9, 0), QTimeZone::utc()));
}

QTEST_GUILESS_MAIN(TestNotificationRequest)
#include "tst_notificationrequest.moc"
