#pragma once

#include <QString>

#include <utility>

class QWidget;

// The main window's size and whether it was maximized, kept from one session to the next in a
// small file of its own (never the settings file, which is only rewritten when the user changes a
// setting). A size that no longer fits the screen is made to fit; a file that cannot be read or
// holds nonsense is ignored, and the window keeps the size it has.
//
//     WindowState state(WindowState::defaultPath());
//     state.restore(window);   // before the first show
//     ...
//     state.save(window);      // when the session ends
class WindowState final
{
public:
    explicit WindowState(QString filePath) : m_filePath(std::move(filePath)) {}

    // $XDG_STATE_HOME/Tendrel/window.ini (~/.local/state/Tendrel/window.ini); empty without a home.
    static QString defaultPath();

    QString filePath() const { return m_filePath; }
    void restore(QWidget *window) const;
    void save(const QWidget *window) const;

private:
    QString m_filePath;
};
