#include "Views/Components/PhotoChooser.h"

#include "Platform/PortalFileChooser.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QWidget>

PhotoChooser::PhotoChooser(QWidget *parent)
    : QObject(parent), m_parent(parent), m_portal(new PortalFileChooser(QDBusConnection::sessionBus(), this))
{
    connect(m_portal, &PortalFileChooser::fileChosen, this, &PhotoChooser::fileChosen);
    connect(m_portal, &PortalFileChooser::unavailable, this, &PhotoChooser::openOwnDialog);
}

bool PhotoChooser::isOpen() const
{
    return m_portal->isOpen() || m_dialog;
}

void PhotoChooser::open()
{
    if (isOpen())
        return;
    PortalFileChooser::Request request;
    // The portal places its dialog over ours when it can name the window (X11 only: naming a
    // Wayland surface needs an export protocol Qt does not offer here).
    if (QGuiApplication::platformName() == QLatin1String("xcb") && m_parent->window())
        request.parentWindow = QStringLiteral("x11:") + QString::number(m_parent->window()->winId(), 16);
    request.title = tr("Choose a Photo");
    request.filterName = tr("Images");
    request.mimeTypes = imageMimeTypes();
    request.folder = startFolder();
    m_portal->openFile(request);
}

void PhotoChooser::openOwnDialog()
{
    if (m_dialog)
        return;
    auto *dialog = new QFileDialog(m_parent->window(), tr("Choose a Photo"), startFolder());
    dialog->setObjectName(QStringLiteral("photoChooser"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(imageNameFilter());
    connect(dialog, &QFileDialog::fileSelected, this, &PhotoChooser::fileChosen);
    m_dialog = dialog;
    // Not exec(): the form, and any import already under way, keep running while it is open.
    dialog->open();
}

QStringList PhotoChooser::imageMimeTypes()
{
    QStringList types;
    for (const QByteArray &name : QImageReader::supportedMimeTypes()) {
        const QString type = QString::fromLatin1(name);
        if (!types.contains(type))
            types.append(type);
    }
    return types;
}

QString PhotoChooser::imageNameFilter()
{
    QStringList patterns;
    const QMimeDatabase mimes;
    for (const QString &name : imageMimeTypes()) {
        for (const QString &suffix : mimes.mimeTypeForName(name).suffixes()) {
            const QString pattern = QStringLiteral("*.") + suffix;
            if (!patterns.contains(pattern))
                patterns.append(pattern);
        }
    }
    return tr("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

QString PhotoChooser::startFolder()
{
    // A Pictures folder that does not exist would be offered as a file name; start at home then.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QDir::homePath();
    return folder;
}
