#pragma once

// PortalFileChooser: the desktop's own file chooser (GNOME's, KDE's, ...) through the XDG desktop
// portal. One request at a time; it ends with exactly one of fileChosen(), cancelled() or
// unavailable(). unavailable() means no portal answered on the bus (none running, none that can
// be started, or one without a file chooser): the caller then shows its own dialog.
//
//   auto *chooser = new PortalFileChooser(QDBusConnection::sessionBus(), this);
//   connect(chooser, &PortalFileChooser::fileChosen, this, &Form::importPhoto);
//   connect(chooser, &PortalFileChooser::unavailable, this, &Form::showOwnDialog);
//   chooser->openFile({"x11:3a00007", "Choose a Photo", "Images", {"image/jpeg", "image/png"},
//                      QDir::homePath()});
//
// Tests put a fake portal on a private bus and hand that bus in.

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class PortalFileChooser final : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString parentWindow; // "x11:<hex id>", or empty when the window cannot be named
        QString title;
        QString filterName;    // e.g. "Images"
        QStringList mimeTypes; // the filter's types; the chooser shows nothing else
        QString folder;        // where the chooser opens, if it can
    };

    // How long the portal may take to take the request (not to answer it: the user takes
    // their time), including starting the portal service.
    static constexpr int requestTimeoutMsecs = 10'000;

    explicit PortalFileChooser(const QDBusConnection &bus, QObject *parent = nullptr);
    // Closes the portal's dialog of a request still open.
    ~PortalFileChooser() override;

    // Ignored while a request is open.
    void openFile(const Request &request);
    bool isOpen() const { return m_open; }

signals:
    // A local file the user chose (the portal may hand out a path of its document store).
    void fileChosen(const QString &path);
    void cancelled();
    void unavailable();

private Q_SLOTS:
    void response(uint code, const QVariantMap &results);

private:
    void listen(const QString &handle);
    void stopListening();
    void end();

    QDBusConnection m_bus;
    bool m_open = false;
    QString m_handle;
    quint64 m_serial = 0;
};
