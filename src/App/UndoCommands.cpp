#include "App/UndoCommands.h"

#include "Core/Formatting.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/Toast.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>

UndoCommands::UndoCommands(GardenHistory &history, QWidget *mainWindow, QObject *parent)
    : QObject(parent), m_history(history), m_mainWindow(mainWindow), m_undo(new QAction(this)),
      m_redo(new QAction(this))
{
    m_undo->setObjectName(QStringLiteral("undoAction"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo->setObjectName(QStringLiteral("redoAction"));
    m_redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    connect(m_undo, &QAction::triggered, &m_history, &GardenHistory::undo);
    connect(m_redo, &QAction::triggered, &m_history, &GardenHistory::redo);
    connect(&m_history, &GardenHistory::changed, this, &UndoCommands::update);
    connect(&m_history, &GardenHistory::announced, this, &UndoCommands::announce);
    connect(&m_history, &GardenHistory::failed, this, [this](const QString &title, const QString &reason) {
        MessageBox::alert(toastWindow(), title, reason);
    });
    attach(mainWindow);
    update();
}

void UndoCommands::install(QMenu *menu)
{
    menu->addAction(m_undo);
    menu->addAction(m_redo);
}

void UndoCommands::attach(QWidget *window)
{
    if (!window || m_windows.contains(window))
        return;
    m_windows.append(window);
    // A window's own actions: the keys reach the history from any of its screens.
    window->addAction(m_undo);
    window->addAction(m_redo);
}

QString UndoCommands::actionText(const QString &verb, const QString &step)
{
    if (step.isEmpty())
        return verb;
    return verb + QLatin1Char(' ') + Formatting::mnemonicEscaped(step);
}

void UndoCommands::update()
{
    m_undo->setText(actionText(tr("Undo"), m_history.undoText()));
    m_undo->setEnabled(m_history.canUndo());
    m_redo->setText(actionText(tr("Redo"), m_history.redoText()));
    m_redo->setEnabled(m_history.canRedo());
    // A toast offers to undo its own step only while that step is the latest one done.
    if (m_toastSerial != 0 && m_history.undoSerial() != m_toastSerial) {
        m_toastSerial = 0;
        for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
            if (Toast *toast = Toast::current(window))
                toast->dismiss();
        }
    }
}

QWidget *UndoCommands::toastWindow() const
{
    // The window the user acted in, when it is one of ours; else the main window.
    QWidget *active = QApplication::activeWindow();
    for (const QPointer<QWidget> &window : m_windows) {
        if (window && window == active && window->isVisible())
            return window;
    }
    return m_mainWindow;
}

void UndoCommands::announce(const QString &message, quint64 serial)
{
    QWidget *window = toastWindow();
    if (!window)
        return;
    for (const QPointer<QWidget> &other : std::as_const(m_windows)) {
        if (Toast *toast = Toast::current(other))
            toast->dismiss();
    }
    m_toastSerial = serial;
    GardenHistory *history = &m_history;
    Toast::present(window, message, tr("Undo"), [history, serial] { history->undoStep(serial); });
}
