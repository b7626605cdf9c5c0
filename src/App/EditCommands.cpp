#include "App/EditCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

struct CommandInfo
{
    EditCommands::Command command;
    const char *title;
    QKeySequence::StandardKey key;
    const char *name;
    bool separatorBefore;
};

constexpr CommandInfo commands[] = {
    {EditCommands::Command::cut, "Cu&t", QKeySequence::Cut, "cutAction", false},
    {EditCommands::Command::copy, "&Copy", QKeySequence::Copy, "copyAction", false},
    {EditCommands::Command::paste, "&Paste", QKeySequence::Paste, "pasteAction", false},
    {EditCommands::Command::selectAll, "Select &All", QKeySequence::SelectAll, "selectAllAction", true},
};

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

// The three kinds of text field the app has, behind one set of questions.
template<typename Edit> bool canRunOnDocument(EditCommands::Command command, const Edit *edit)
{
    const bool writable = !edit->isReadOnly();
    const bool selection = edit->textCursor().hasSelection();
    switch (command) {
    case EditCommands::Command::cut:
        return writable && selection;
    case EditCommands::Command::copy:
        return selection;
    case EditCommands::Command::paste:
        return writable && clipboardHasText();
    case EditCommands::Command::selectAll:
        return !edit->document()->isEmpty();
    }
    return false;
}

template<typename Edit> void runOnDocument(EditCommands::Command command, Edit *edit)
{
    switch (command) {
    case EditCommands::Command::cut:
        edit->cut();
        break;
    case EditCommands::Command::copy:
        edit->copy();
        break;
    case EditCommands::Command::paste:
        edit->paste();
        break;
    case EditCommands::Command::selectAll:
        edit->selectAll();
        break;
    }
}

} // namespace

EditCommands::EditCommands(QObject *parent) : QObject(parent) {}

void EditCommands::install(QMenu *menu)
{
    m_menu = menu;
    m_menu->addSeparator();
    for (const CommandInfo &info : commands) {
        if (info.separatorBefore)
            m_menu->addSeparator();
        QAction *action = m_menu->addAction(tr(info.title));
        action->setObjectName(QString::fromLatin1(info.name));
        action->setShortcut(info.key);
        const Command command = info.command;
        connect(action, &QAction::triggered, this, [this, command] {
            if (m_target && canRun(command, m_target))
                run(command, m_target);
            updateActions();
        });
        m_actions.append(action);
    }
    connect(m_menu, &QMenu::aboutToShow, this, &EditCommands::updateActions);
    connect(qApp, &QApplication::focusChanged, this, &EditCommands::focusChanged);
    focusChanged(nullptr, QApplication::focusWidget());
}

void EditCommands::attach(QWidget *window)
{
    for (const QPointer<QAction> &action : std::as_const(m_actions))
        window->addAction(action);
}

QAction *EditCommands::action(Command command) const
{
    return m_actions.value(int(command)).data();
}

void EditCommands::focusChanged(QWidget *, QWidget *now)
{
    // Opening a menu moves the focus to it for a moment; the field stays the target.
    if (now && (qobject_cast<QMenu *>(now) || qobject_cast<QMenuBar *>(now)))
        return;
    const bool edits = qobject_cast<QLineEdit *>(now) || qobject_cast<QPlainTextEdit *>(now) ||
                       qobject_cast<QTextEdit *>(now);
    m_target = edits ? now : nullptr;
    updateActions();
}

void EditCommands::updateActions()
{
    for (const CommandInfo &info : commands) {
        if (QAction *a = action(info.command))
            a->setEnabled(m_target && canRun(info.command, m_target));
    }
}

bool EditCommands::canRun(Command command, const QWidget *field)
{
    if (const auto *line = qobject_cast<const QLineEdit *>(field)) {
        const bool writable = !line->isReadOnly();
        // A password field never hands its text to the clipboard.
        const bool copies = line->echoMode() == QLineEdit::Normal;
        switch (command) {
        case Command::cut:
            return writable && copies && line->hasSelectedText();
        case Command::copy:
            return copies && line->hasSelectedText();
        case Command::paste:
            return writable && clipboardHasText();
        case Command::selectAll:
            return !line->text().isEmpty();
        }
        return false;
    }
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(field))
        return canRunOnDocument(command, plain);
    if (const auto *rich = qobject_cast<const QTextEdit *>(field))
        return canRunOnDocument(command, rich);
    return false;
}

void EditCommands::run(Command command, QWidget *field)
{
    if (auto *line = qobject_cast<QLineEdit *>(field)) {
        switch (command) {
        case Command::cut:
            line->cut();
            break;
        case Command::copy:
            line->copy();
            break;
        case Command::paste:
            line->paste();
            break;
        case Command::selectAll:
            line->selectAll();
            break;
        }
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(field)) {
        runOnDocument(command, plain);
    } else if (auto *rich = qobject_cast<QTextEdit *>(field)) {
        runOnDocument(command, rich);
    }
}
