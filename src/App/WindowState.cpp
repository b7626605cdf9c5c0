#include "App/WindowState.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QSettings>
#include <QWidget>

Q_LOGGING_CATEGORY(lcWindowState, "tendrel.window", QtWarningMsg)

namespace {

// Larger than any screen: a value beyond it was not written by this class.
constexpr int largestSide = 1 << 15;

} // namespace

QString WindowState::defaultPath()
{
    QString folder = qEnvironmentVariable("XDG_STATE_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        const QString home = QDir::homePath();
        if (home.isEmpty() || home == QDir::rootPath())
            return {};
        folder = home + QStringLiteral("/.local/state");
    }
    return folder + QStringLiteral("/Tendrel/window.ini");
}

void WindowState::restore(QWidget *window) const
{
    if (m_filePath.isEmpty() || !QFileInfo(m_filePath).isFile())
        return;
    const QSettings file(m_filePath, QSettings::IniFormat);
    bool wide = false;
    bool tall = false;
    const int width = file.value(QStringLiteral("window/width")).toInt(&wide);
    const int height = file.value(QStringLiteral("window/height")).toInt(&tall);
    if (wide && tall && width > 0 && height > 0 && width < largestSide && height < largestSide) {
        QSize size = QSize(width, height).expandedTo(window->minimumSize());
        // The screen may be smaller than it was; the minimum size still wins.
        if (const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableSize()).expandedTo(window->minimumSize());
        window->resize(size);
    }
    if (file.value(QStringLiteral("window/maximized")).toString() == QLatin1String("true"))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void WindowState::save(const QWidget *window) const
{
    if (m_filePath.isEmpty() || !QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return;
    // A maximized window is remembered with the size it goes back to.
    const bool maximized = window->isMaximized();
    const QSize size = maximized ? window->normalGeometry().size() : window->size();
    QSettings file(m_filePath, QSettings::IniFormat);
    if (size.isValid()) {
        file.setValue(QStringLiteral("window/width"), size.width());
        file.setValue(QStringLiteral("window/height"), size.height());
    }
    file.setValue(QStringLiteral("window/maximized"), maximized);
    file.sync();
    if (file.status() != QSettings::NoError)
        qCWarning(lcWindowState).noquote() << "The window's size cannot be kept in" << m_filePath;
}
