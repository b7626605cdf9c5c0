// One Tendrel per data folder: the lock next to the store and the socket a later start raises the
// running one through, in a folder only this user may enter.
#include "App/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool makeFolder(const QString &path, mode_t mode)
{
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class SingleInstanceTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_runtime = m_dir.filePath(QStringLiteral("runtime"));
        m_temp = m_dir.filePath(QStringLiteral("tmp"));
        QVERIFY(makeFolder(m_runtime, 0700));
        QVERIFY(makeFolder(m_temp, 0777));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
        qputenv("TMPDIR", QFile::encodeName(m_temp));
    }

    void cleanup()
    {
        QDir(m_runtime).removeRecursively();
        QDir(m_temp).removeRecursively();
    }

    void eachDataFolderHasItsOwnInstance()
    {
        const QString gardenA = m_dir.filePath(QStringLiteral("a"));
        const QString gardenB = m_dir.filePath(QStringLiteral("b"));
        SingleInstance first(gardenA);
        SingleInstance other(gardenB);
        QVERIFY(first.acquire());
        QVERIFY(other.acquire());
        QVERIFY(first.socketPath().startsWith(m_runtime + QLatin1Char('/')));
        QVERIFY(first.socketPath() != other.socketPath());
        QSignalSpy firstRaised(&first, &SingleInstance::activationRequested);
        QSignalSpy otherRaised(&other, &SingleInstance::activationRequested);

        // A later start on the first folder, spelled another way, hands over to the first instance.
        SingleInstance again(gardenA + QStringLiteral("/../a/"));
        QCOMPARE(again.socketPath(), first.socketPath());
        QVERIFY(!again.acquire());
        QTRY_COMPARE(firstRaised.size(), 1);
        QTest::qWait(50);
        QCOMPARE(otherRaised.size(), 0);
    }

    void socketFolderIsPrivate_data()
    {
        QTest::addColumn<QString>("runtime"); // "unset", "open" (0755) or "private" (0700)
        QTest::addColumn<QString>("own");     // our folder in TMPDIR beforehand: "none", "open", "link"
        QTest::addColumn<QString>("used");    // "runtime", "own" or "" (none)
        QTest::newRow("runtime folder") << "private"
                                        << "none"
                                        << "runtime";
        QTest::newRow("unset") << "unset"
                               << "none"
                               << "own";
        QTest::newRow("runtime folder open to others") << "open"
                                                       << "none"
                                                       << "own";
        QTest::newRow("own folder open to others") << "unset"
                                                   << "open"
                                                   << "";
        QTest::newRow("own folder a link") << "unset"
                                           << "link"
                                           << "";
        if (::geteuid() == 0)
            QTest::newRow("own folder of another user") << "unset"
                                                        << "other"
                                                        << "";
    }

    void socketFolderIsPrivate()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, own);
        QFETCH(QString, used);
        if (runtime == QLatin1String("unset"))
            qunsetenv("XDG_RUNTIME_DIR");
        else if (runtime == QLatin1String("open"))
            QVERIFY(makeFolder(m_runtime, 0755));
        const QString ownPath = QDir(m_temp).filePath(QStringLiteral("tendrel-%1").arg(::geteuid()));
        if (own == QLatin1String("open")) {
            QVERIFY(makeFolder(ownPath, 0755));
        } else if (own == QLatin1String("link")) {
            QVERIFY(makeFolder(m_dir.filePath(QStringLiteral("elsewhere")), 0700));
            QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("elsewhere")), ownPath));
        } else if (own == QLatin1String("other")) {
            QVERIFY(makeFolder(ownPath, 0700));
            QCOMPARE(::chown(QFile::encodeName(ownPath).constData(), 65534, 65534), 0);
        }

        const QString folder = SingleInstance::runtimeDirectory();
        const QString expected = used == QLatin1String("runtime") ? m_runtime
                                 : used == QLatin1String("own")   ? ownPath
                                                                  : QString();
        QCOMPARE(folder, expected);
        if (used == QLatin1String("own")) {
            QFileInfo made(ownPath);
            QCOMPARE(made.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser |
                                            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner),
                     QFile::Permissions());
        }

        // Without a safe folder the lock still keeps one instance per data folder.
        const QString garden = m_dir.filePath(QStringLiteral("garden"));
        SingleInstance first(garden);
        QCOMPARE(first.socketPath().isEmpty(), expected.isEmpty());
        QVERIFY(first.acquire());
        SingleInstance second(garden);
        QVERIFY(!second.acquire());
    }

private:
    QTemporaryDir m_dir;
    QString m_runtime;
    QString m_temp;
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
