#pragma once

// TerminationSignals: SIGTERM (a logout, systemd, kill), SIGINT (Ctrl+C in a terminal) and SIGHUP
// (the terminal closed) end Tendrel the way File → Quit does: the event loop returns, the windows
// close and the store commits what it holds. The handler only writes a byte to a socket; the quit
// itself happens on the UI thread.
//
//   TerminationSignals signals(&app);   // after the QApplication, before app.exec()

#include <QObject>

class QSocketNotifier;

class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // Whether the handlers are in place (false when the socket could not be made).
    bool isInstalled() const { return m_notifier != nullptr; }

signals:
    // Emitted on the UI thread for each signal received; QCoreApplication::quit() follows.
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
