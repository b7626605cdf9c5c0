// Every #include "…" under src/ points down the layers: a folder may include only itself and the
// folders its row names. An include of anything else fails with the file and line.

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

namespace {

struct Layer
{
    QString folder;      // path under src/, longest match wins
    QStringList allowed; // folders it may include, besides itself
};

// Bottom up. Within Views, the shared state and the component kit sit below the screens.
const QList<Layer> &layers()
{
    static const QList<Layer> table = {
        {QStringLiteral("Core"), {}},
        {QStringLiteral("Models"), {QStringLiteral("Core")}},
        {QStringLiteral("Store"), {QStringLiteral("Core"), QStringLiteral("Models")}},
        {QStringLiteral("Platform"), {QStringLiteral("Core")}},
        {QStringLiteral("Services"),
         {QStringLiteral("Core"), QStringLiteral("Models"), QStringLiteral("Platform")}},
        {QStringLiteral("Views/State"), {}},
        {QStringLiteral("Views/Components"),
         {QStringLiteral("Core"), QStringLiteral("Models"), QStringLiteral("Store"),
          QStringLiteral("Platform"), QStringLiteral("Services"), QStringLiteral("Views/State")}},
        {QStringLiteral("Views"),
         {QStringLiteral("Core"), QStringLiteral("Models"), QStringLiteral("Store"),
          QStringLiteral("Platform"), QStringLiteral("Services"), QStringLiteral("Views/State"),
          QStringLiteral("Views/Components")}},
        {QStringLiteral("App"),
         {QStringLiteral("Core"), QStringLiteral("Models"), QStringLiteral("Store"),
          QStringLiteral("Platform"), QStringLiteral("Services"), QStringLiteral("Views")}},
        {QStringLiteral("Agent"), {QStringLiteral("Core"), QStringLiteral("Platform")}},
    };
    return table;
}

// The row whose folder is the longest prefix of path (a path under src/), or null.
const Layer *layerOf(const QString &path)
{
    const Layer *best = nullptr;
    for (const Layer &layer : layers()) {
        if (path.startsWith(layer.folder + QLatin1Char('/')) &&
            (!best || layer.folder.size() > best->folder.size()))
            best = &layer;
    }
    return best;
}

bool mayInclude(const Layer &from, const QString &target)
{
    const Layer *to = layerOf(target);
    if (!to)
        return false;
    if (to == &from)
        return true;
    // Views screens may use one another (a list opens a detail screen); that is one layer.
    const bool bothScreens = from.folder == QStringLiteral("Views") && to->folder == QStringLiteral("Views");
    return bothScreens || from.allowed.contains(to->folder) ||
           std::any_of(from.allowed.begin(), from.allowed.end(),
                       [&](const QString &a) { return to->folder.startsWith(a + QLatin1Char('/')); });
}

// "file:line: includes X" for every include of files under root that points up or sideways.
QStringList violations(const QString &root)
{
    static const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s+"([^"]+)")re"));
    QStringList found;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = file.mid(root.size() + 1);
        const Layer *from = layerOf(relative);
        if (!from) {
            found << relative + QStringLiteral(": folder is not in the table of layers");
            continue;
        }
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            found << relative + QStringLiteral(": cannot be read");
            continue;
        }
        int line = 0;
        while (!in.atEnd()) {
            ++line;
            const auto match = include.match(QString::fromUtf8(in.readLine()));
            if (!match.hasMatch() || !match.captured(1).contains(QLatin1Char('/')))
                continue;
            if (!mayInclude(*from, match.captured(1)))
                found << QStringLiteral("%1:%2: %3 includes \"%4\"")
                             .arg(relative)
                             .arg(line)
                             .arg(from->folder, match.captured(1));
        }
    }
    return found;
}

} // namespace

class TestLayers final : public QObject
{
    Q_OBJECT

private slots:
    void everyIncludePointsDown()
    {
        const QString root = qEnvironmentVariable("TENDREL_SOURCE_DIR") + QStringLiteral("/src");
        QVERIFY2(QFileInfo(root + QStringLiteral("/Core")).isDir(), qPrintable(root));
        const QStringList found = violations(root);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    void theTableCatchesUpwardIncludes_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("models uses core") << "Models"
                                          << "Core/Calendar.h" << true;
        QTest::newRow("core uses models") << "Core"
                                          << "Models/Plant.h" << false;
        QTest::newRow("platform uses store") << "Platform"
                                             << "Store/ModelStore.h" << false;
        QTest::newRow("platform uses models") << "Platform"
                                              << "Models/Plant.h" << false;
        QTest::newRow("store uses platform") << "Store"
                                             << "Platform/Preferences.h" << false;
        QTest::newRow("services uses views") << "Services"
                                             << "Views/Components/Theme.h" << false;
        QTest::newRow("views uses app") << "Views"
                                        << "App/TendrelApp.h" << false;
        QTest::newRow("screen uses state") << "Views"
                                           << "Views/State/AppState.h" << true;
        QTest::newRow("screen uses screen") << "Views"
                                            << "Views/Plants/PlantFormView.h" << true;
        QTest::newRow("component uses screen") << "Views/Components"
                                               << "Views/Today/TodayView.h" << false;
        QTest::newRow("state uses component") << "Views/State"
                                              << "Views/Components/Theme.h" << false;
        QTest::newRow("agent uses store") << "Agent"
                                          << "Store/ModelStore.h" << false;
        QTest::newRow("agent uses platform") << "Agent"
                                             << "Platform/Preferences.h" << true;
        QTest::newRow("unknown folder") << "Views"
                                        << "Elsewhere/Thing.h" << false;
    }

    void theTableCatchesUpwardIncludes()
    {
        QFETCH(QString, from);
        QFETCH(QString, target);
        QFETCH(bool, allowed);
        const Layer *layer = layerOf(from + QStringLiteral("/x.cpp"));
        QVERIFY(layer);
        QCOMPARE(mayInclude(*layer, target), allowed);
    }
};

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
