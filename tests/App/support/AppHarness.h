#pragma once

#include "App/TendrelApp.h"
#include "App/support/PinnedEnvironment.h"
#include "Core/DayClock.h"

#include <QDateTime>
#include <QDir>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

// The real application with everything it would take from the user's machine pinned: a store in
// memory, a settings file in a temporary folder, a calendar in Berlin standing still at a chosen
// moment, and a notification centre that records what it is asked and grants permission unless
// told otherwise. The main window is shown (offscreen under QtTest's platform).
//
// Members are destroyed in reverse order, so the app goes before the calendar and the centre it
// uses.
class AppHarness final
{
public:
    static QTimeZone berlin() { return PinnedEnvironment::berlin(); }

    // With a storePath (a file name inside the harness's folder, or an absolute path) the store is a
    // real file there.
    explicit AppHarness(const QDateTime &now, const QString &storePath = {})
        : environment(now), clock(environment.clock), calendar(environment.calendar),
          notifications(environment.notifications)
    {
        // The day clock is shared and may have seen another test's day: let it catch up quietly.
        DayClock::instance().check();
        TendrelApp::Options options;
        options.inMemoryStore = storePath.isEmpty();
        if (!storePath.isEmpty())
            options.storePath = QDir::isAbsolutePath(storePath) ? storePath : dir.filePath(storePath);
        options.settingsPath = dir.filePath(QStringLiteral("settings.ini"));
        app = std::make_unique<TendrelApp>(options);
        app->mainWindow()->resize(1100, 760);
        app->showMainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(app->mainWindow()));
    }

    static QDateTime at(QDate date, int hour, int minute = 0)
    {
        return PinnedEnvironment::at(date, hour, minute);
    }

    QTemporaryDir dir;
    PinnedEnvironment environment;
    ManualClock &clock;
    Calendar &calendar;
    RecordingNotificationCenter &notifications;
    std::unique_ptr<TendrelApp> app;
};
