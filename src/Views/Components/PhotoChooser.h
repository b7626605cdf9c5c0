#pragma once

// PhotoChooser: asks the user for one image file. The desktop's own chooser (through the XDG
// desktop portal) when a portal answers on the session bus, so GNOME and KDE users get the dialog
// they know; Qt's own dialog otherwise. Neither blocks: the window keeps running while it is open.
//
//   auto *chooser = new PhotoChooser(this);      // parent: a widget in the window it belongs to
//   connect(chooser, &PhotoChooser::fileChosen, this, &PlantFormView::importPhoto);
//   chooser->open();
//
// Qt's dialog has the object name "photoChooser". Tests choose the bus by
// DBUS_SESSION_BUS_ADDRESS, with or without a fake portal on it.

#include <QObject>
#include <QPointer>
#include <QStringList>

class PortalFileChooser;
class QFileDialog;
class QWidget;

class PhotoChooser final : public QObject
{
    Q_OBJECT

public:
    explicit PhotoChooser(QWidget *parent);

    // Does nothing while a chooser is already open.
    void open();
    bool isOpen() const;

    // The MIME types of every image format this build can read.
    static QStringList imageMimeTypes();
    // "Images (*.jpg *.jpeg *.png ...)" for Qt's dialog.
    static QString imageNameFilter();
    // Where the chooser starts: the Pictures folder, or home when there is none.
    static QString startFolder();

signals:
    void fileChosen(const QString &path);

private:
    void openOwnDialog();

    QWidget *m_parent;
    PortalFileChooser *m_portal;
    QPointer<QFileDialog> m_dialog;
};
