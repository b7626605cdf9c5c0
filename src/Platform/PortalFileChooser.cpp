#include "Platform/PortalFileChooser.h"

#include "Platform/DesktopPortal.h"
#include "Platform/PlatformLog.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QUrl>

namespace {

// One rule of a portal filter: type 0 is a glob pattern, 1 a MIME type.
struct FilterRule
{
    uint type = 1;
    QString pattern;
};

// A named filter, as the portal's a(sa(us)) spells it.
struct Filter
{
    QString name;
    QList<FilterRule> rules;
};

QDBusArgument &operator<<(QDBusArgument &argument, const FilterRule &rule)
{
    argument.beginStructure();
    argument << rule.type << rule.pattern;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, FilterRule &rule)
{
    argument.beginStructure();
    argument >> rule.type >> rule.pattern;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const Filter &filter)
{
    argument.beginStructure();
    argument << filter.name << filter.rules;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Filter &filter)
{
    argument.beginStructure();
    argument >> filter.name >> filter.rules;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(FilterRule)
Q_DECLARE_METATYPE(Filter)

PortalFileChooser::PortalFileChooser(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    qDBusRegisterMetaType<FilterRule>();
    qDBusRegisterMetaType<QList<FilterRule>>();
    qDBusRegisterMetaType<Filter>();
    qDBusRegisterMetaType<QList<Filter>>();
}

PortalFileChooser::~PortalFileChooser()
{
    if (m_open && !m_handle.isEmpty()) {
        m_bus.send(QDBusMessage::createMethodCall(
            DesktopPortal::service, m_handle, DesktopPortal::requestInterface, DesktopPortal::closeMethod));
    }
    stopListening();
}

void PortalFileChooser::openFile(const Request &request)
{
    if (m_open)
        return;
    m_open = true;
    const quint64 serial = ++m_serial;
    if (!m_bus.isConnected()) {
        qCDebug(lcPlatform) << "no session bus for the desktop's file chooser";
        QMetaObject::invokeMethod(this, &PortalFileChooser::end, Qt::QueuedConnection);
        return;
    }

    // The answer may come before the call returns its handle, so listen on the path the portal
    // will use before asking: /org/freedesktop/portal/desktop/request/<sender>/<token>.
    const QString token = QStringLiteral("tendrel%1_%2").arg(QCoreApplication::applicationPid()).arg(serial);
    QString sender = m_bus.baseService();
    sender.remove(0, sender.startsWith(QLatin1Char(':')) ? 1 : 0).replace(QLatin1Char('.'), QLatin1Char('_'));
    listen(QString(DesktopPortal::requestPathPrefix) + sender + QLatin1Char('/') + token);

    Filter filter{request.filterName, {}};
    for (const QString &type : request.mimeTypes)
        filter.rules.append({1, type});
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("modal"), true},
                        {QStringLiteral("multiple"), false},
                        {QStringLiteral("filters"), QVariant::fromValue(QList<Filter>{filter})},
                        {QStringLiteral("current_filter"), QVariant::fromValue(filter)}};
    if (!request.folder.isEmpty()) {
        // A byte string with its terminating zero.
        QByteArray folder = QFile::encodeName(request.folder);
        folder.append('\0');
        options.insert(QStringLiteral("current_folder"), folder);
    }

    QDBusMessage call =
        QDBusMessage::createMethodCall(DesktopPortal::service, DesktopPortal::path,
                                       DesktopPortal::fileChooserInterface, DesktopPortal::openFileMethod);
    call << request.parentWindow << request.title << options;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, requestTimeoutMsecs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, serial](QDBusPendingCallWatcher *pending) {
                pending->deleteLater();
                if (serial != m_serial || !m_open)
                    return;
                const QDBusPendingReply<QDBusObjectPath> reply = *pending;
                if (reply.isError()) {
                    qCDebug(lcPlatform).noquote()
                        << "the desktop's file chooser is not available:" << reply.error().name()
                        << reply.error().message();
                    stopListening();
                    m_open = false;
                    emit unavailable();
                    return;
                }
                // Portals older than handle_token put the request elsewhere.
                const QString handle = reply.value().path();
                if (handle != m_handle)
                    listen(handle);
            });
}

void PortalFileChooser::listen(const QString &handle)
{
    stopListening();
    m_handle = handle;
    m_bus.connect(DesktopPortal::service, m_handle, DesktopPortal::requestInterface,
                  DesktopPortal::responseSignal, this, SLOT(response(uint, QVariantMap)));
}

void PortalFileChooser::stopListening()
{
    if (m_handle.isEmpty())
        return;
    m_bus.disconnect(DesktopPortal::service, m_handle, DesktopPortal::requestInterface,
                     DesktopPortal::responseSignal, this, SLOT(response(uint, QVariantMap)));
    m_handle.clear();
}

void PortalFileChooser::response(uint code, const QVariantMap &results)
{
    if (!m_open)
        return;
    stopListening();
    m_open = false;
    // 0: chosen; 1: the user cancelled; 2: the dialog ended some other way.
    if (code == 0) {
        const QStringList uris = results.value(QStringLiteral("uris")).toStringList();
        const QUrl url(uris.value(0));
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            emit fileChosen(url.toLocalFile());
            return;
        }
        qCDebug(lcPlatform) << "the file chooser answered no local file:" << uris;
    } else if (code != 1) {
        qCDebug(lcPlatform) << "the file chooser ended with code" << code;
    }
    emit cancelled();
}

void PortalFileChooser::end()
{
    m_open = false;
    emit unavailable();
}
