#include "Platform/DesktopAppearance.h"

#include "Platform/DesktopPortal.h"
#include "Platform/PlatformLog.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

DesktopAppearance::DesktopAppearance(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus), m_gtkTheme(qEnvironmentVariable("GTK_THEME"))
{
}

void DesktopAppearance::start()
{
    if (m_started || !m_bus.isConnected())
        return;
    m_started = true;
    // Subscribed before reading, so a change made between the two is not missed. The bus follows
    // the portal's owner, so a portal that starts later is heard too. The slot's variant argument
    // must be a known type by name first, or the subscription silently fails.
    qRegisterMetaType<QDBusVariant>();
    if (!m_bus.connect(DesktopPortal::service, DesktopPortal::path, DesktopPortal::settingsInterface,
                       DesktopPortal::settingChangedSignal, this,
                       SLOT(settingChanged(QString, QString, QDBusVariant))))
        qCWarning(lcPlatform) << "cannot follow the desktop portal's colour scheme:"
                              << m_bus.lastError().message();

    QDBusMessage read =
        QDBusMessage::createMethodCall(DesktopPortal::service, DesktopPortal::path,
                                       DesktopPortal::settingsInterface, DesktopPortal::readMethod);
    read << QString(DesktopPortal::appearanceNamespace) << QString(DesktopPortal::colorSchemeKey);

    // A running portal answers within a millisecond or two: wait for it, so a dark desktop never
    // sees a light first frame. One that is not running yet may be started by the bus, which takes
    // longer: that answer is applied when it comes.
    const QDBusConnectionInterface *bus = m_bus.interface();
    if (bus && bus->isServiceRegistered(DesktopPortal::service).value()) {
        readAnswered(m_bus.call(read, QDBus::Block, startupReadTimeoutMsecs));
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        readAnswered(call->reply());
    });
}

void DesktopAppearance::readAnswered(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCDebug(lcPlatform).noquote() << "no colour scheme from the desktop portal:" << reply.errorMessage();
        return;
    }
    setPortalScheme(schemeFromPortalValue(reply.arguments().constFirst()));
}

void DesktopAppearance::settingChanged(const QString &nameSpace, const QString &key,
                                       const QDBusVariant &value)
{
    if (nameSpace != DesktopPortal::appearanceNamespace || key != DesktopPortal::colorSchemeKey)
        return;
    setPortalScheme(schemeFromPortalValue(value.variant()));
}

void DesktopAppearance::setPortalScheme(std::optional<Scheme> scheme)
{
    const std::optional<Scheme> before = preference();
    m_portal = scheme;
    if (preference() != before)
        emit preferenceChanged();
}

std::optional<DesktopAppearance::Scheme> DesktopAppearance::preference() const
{
    return preferenceOf(m_portal, m_gtkTheme);
}

std::optional<DesktopAppearance::Scheme> DesktopAppearance::preferenceOf(std::optional<Scheme> portal,
                                                                         const QString &gtkTheme)
{
    return portal ? portal : schemeFromGtkTheme(gtkTheme);
}

std::optional<DesktopAppearance::Scheme> DesktopAppearance::schemeFromPortalValue(const QVariant &value)
{
    QVariant inner = value;
    // Read() answers v, and older portals wrap the value in one more v.
    for (int depth = 0; depth < 4 && inner.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth)
        inner = inner.value<QDBusVariant>().variant();
    bool ok = false;
    const uint number = inner.toUInt(&ok);
    if (!ok || inner.metaType() == QMetaType::fromType<QString>())
        return std::nullopt;
    switch (number) {
    case 1:
        return Scheme::dark;
    case 2:
        return Scheme::light;
    default:
        return std::nullopt;
    }
}

std::optional<DesktopAppearance::Scheme> DesktopAppearance::schemeFromGtkTheme(const QString &theme)
{
    // GTK_THEME is "name" or "name:variant".
    const qsizetype colon = theme.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    if (theme.mid(colon + 1).trimmed().compare(QLatin1String("dark"), Qt::CaseInsensitive) == 0)
        return Scheme::dark;
    return std::nullopt;
}
