#include "Views/Components/Symbols.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

// Symbol names come from records, screens and components as string literals; each must map to a
// vendored icon, and every vendored icon must be one that is used.
class TestSymbols final : public QObject
{
    Q_OBJECT

private:
    static QString sourceDir() { return qEnvironmentVariable("TENDREL_SOURCE_DIR"); }

    // Literals that name symbols: dotted lower-case names anywhere (other dotted literals are
    // logging categories, file names or ids, excluded below), and any lower-case literal on a
    // line that deals with symbols.
    static QSet<QString> symbolLiteralsInSources()
    {
        static const QRegularExpression literal(QStringLiteral("\"([a-z][a-z0-9.]*)\""));
        static const QRegularExpression dotted(QStringLiteral("^[a-z][a-z0-9]*(\\.[a-z0-9]+)+$"));
        static const QRegularExpression fileLike(
            QStringLiteral("\\.(svg|png|jpg|jpeg|json|sqlite|db|ini|conf|desktop|txt|cpp|h)$"));
        QSet<QString> names;
        QDirIterator it(sourceDir() + QStringLiteral("/src"),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QStringLiteral("/Components/Symbols.cpp")))
                continue;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
            for (const QString &line : lines) {
                const QString code = line.section(QStringLiteral("//"), 0, 0);
                const bool symbolLine = code.contains(QStringLiteral("ymbol"));
                auto matches = literal.globalMatch(code);
                while (matches.hasNext()) {
                    const QString text = matches.next().captured(1);
                    if (text.startsWith(QStringLiteral("tendrel")) ||
                        text.startsWith(QStringLiteral("org.")) || fileLike.match(text).hasMatch() ||
                        text.endsWith(QLatin1Char('.')))
                        continue;
                    if (dotted.match(text).hasMatch() || (symbolLine && !text.contains(QLatin1Char('.'))))
                        names.insert(text);
                }
            }
        }
        return names;
    }

private slots:
    void everyNameUsedInSourcesHasAnIcon()
    {
        QVERIFY2(!sourceDir().isEmpty(), "TENDREL_SOURCE_DIR is not set");
        const QSet<QString> used = symbolLiteralsInSources();
        // The scan must actually see the records' symbols, or it proves nothing.
        QVERIFY(used.contains(QStringLiteral("drop.fill")));
        QVERIFY(used.contains(QStringLiteral("gauge.with.dots.needle.33percent")));
        QStringList missing;
        for (const QString &name : used) {
            if (!Symbols::contains(name))
                missing.append(name);
        }
        missing.sort();
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("no icon for: ") + missing.join(QStringLiteral(", "))));
    }

    void everyScreenSymbolHasAnIcon_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"drop.fill",
                                 "leaf.arrow.triangle.circlepath",
                                 "humidity.fill",
                                 "humidity",
                                 "sun.min",
                                 "sun.min.fill",
                                 "sun.max",
                                 "sun.max.fill",
                                 "gauge.with.dots.needle.33percent",
                                 "pawprint.fill",
                                 "exclamationmark.triangle.fill",
                                 "checklist",
                                 "leaf",
                                 "leaf.fill",
                                 "books.vertical",
                                 "plus",
                                 "checkmark",
                                 "exclamationmark.circle.fill",
                                 "checkmark.seal.fill",
                                 "camera.fill",
                                 "chevron.up.chevron.down",
                                 "bell.badge.fill",
                                 "leaf.circle",
                                 "trash",
                                 "magnifyingglass",
                                 "chevron.left",
                                 "line.3.horizontal.decrease.circle",
                                 "line.3.horizontal.decrease.circle.fill",
                                 "hand.thumbsup.fill",
                                 "lightbulb.fill",
                                 "house",
                                 "ellipsis",
                                 "pencil",
                                 "arrow.uturn.backward"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void everyScreenSymbolHasAnIcon()
    {
        QFETCH(QString, name);
        QVERIFY(Symbols::contains(name));
    }

    void everyMappedFileExistsAndEveryVendoredIconIsMapped()
    {
        QSet<QString> mappedFiles;
        for (const QString &name : Symbols::knownNames()) {
            const auto path = Symbols::resourcePath(name);
            QVERIFY(path);
            QVERIFY2(QFile::exists(*path), qPrintable(name + QStringLiteral(" -> ") + *path));
            mappedFiles.insert(QFileInfo(*path).fileName());
            // Filled symbols take the filled weight, outlined ones the regular weight.
            QCOMPARE(path->endsWith(QStringLiteral("-fill.svg")), name.endsWith(QStringLiteral(".fill")));
        }
        const QStringList vendored = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")});
        for (const QString &file : vendored)
            QVERIFY2(mappedFiles.contains(file),
                     qPrintable(file + QStringLiteral(" is vendored but unused")));
        QVERIFY(QFile::exists(sourceDir() + QStringLiteral("/resources/icons/LICENSE")));
    }

    void renderingIsTintedAndSizedForThePixelRatio()
    {
        const QColor tint(0, 122, 255);
        const QPixmap pm = Symbols::pixmap(QStringLiteral("drop.fill"), 20, tint, 2.0);
        QCOMPARE(pm.size(), QSize(40, 40));
        QCOMPARE(pm.devicePixelRatio(), 2.0);
        const QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() == 255) {
                    ++opaque;
                    QCOMPARE(c.rgb(), tint.rgb());
                }
            }
        }
        QVERIFY(opaque > 200); // the drop covers a good part of the square
        // Cached: the same request gives the same pixmap, another colour does not.
        QCOMPARE(Symbols::pixmap(QStringLiteral("drop.fill"), 20, tint, 2.0).cacheKey(), pm.cacheKey());
        QVERIFY(Symbols::pixmap(QStringLiteral("drop.fill"), 20, Qt::red, 2.0).cacheKey() != pm.cacheKey());
    }

    void unknownOrDegenerateRequestsDrawNothing()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("unknown symbol")));
        QVERIFY(Symbols::pixmap(QStringLiteral("no.such.symbol"), 20, Qt::black).isNull());
        QVERIFY(Symbols::pixmap(QStringLiteral("leaf"), 0, Qt::black).isNull());
        QVERIFY(!Symbols::resourcePath(QStringLiteral("Leaf")));
    }
};

QTEST_MAIN(TestSymbols)
#include "tst_symbols.moc"
