#pragma once

// AboutWindow: Help → About Tendrel. The app's icon, name and version, what it is, its licence,
// the credits of what it bundles (the Phosphor symbol icons and every species photograph that is
// shipped, each with its author and licence) and a link to the project's website.
//
//   auto *about = new AboutWindow;
//   about->show();     // as tall as its content (within the screen); Escape or Ctrl+W closes it
//   AboutWindow::websiteUrl()

#include <QUrl>
#include <QWidget>

class ScrollColumn;

class AboutWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget *parent = nullptr);

    static QUrl websiteUrl();
    static QString licenceText();

    // Large enough to show everything without scrolling (wider at a large font), at most most of
    // the screen (beyond that the page scrolls).
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    ScrollColumn *m_page;
    bool m_fitted = false;
};
