#pragma once

// AboutWindow: Help → About Tendrel. The app's icon, name and version, what it is, its licence,
// the credits of what it bundles (the Phosphor symbol icons and every species photograph that is
// shipped, each with its author and licence) and a link to the project's website.
//
//   auto *about = new AboutWindow;
//   about->show();     // Escape or Ctrl+W closes it
//   AboutWindow::websiteUrl()

#include <QUrl>
#include <QWidget>

class AboutWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget *parent = nullptr);

    static QUrl websiteUrl();
    static QString licenceText();
};
