#pragma once

// MessageBox: confirmation dialogs and alerts with the app's look, modal to their window.
// Titles and messages are plain text (they may hold plant names). Screen readers hear an alert
// as an alert and a confirmation as a dialog.
//
//   // "Delete {name}?" with one destructive action; the platform's "Cancel" is added.
//   if (MessageBox::confirm(this, tr("Delete %1?").arg(name), tr("Its care history will be removed too."),
//                           {{tr("Delete"), MessageBox::Role::destructive}}) == 0) { ...delete... }
//   MessageBox::alert(this, tr("Notifications Are Off"), tr("Allow notifications …"));  // one "OK"
//
// Test seam (no dialog is shown, the call returns at once):
//   MessageBox::setNextAnswer(0)            // index of the action to choose; -1 = cancel
//   MessageBox::setNextAnswer(tr("Delete")) // by button title ("Cancel" = cancel)
//   MessageBox::lastShown()                 // title, message and buttons of the last dialog asked for

#include <QAccessible>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

class MessageBox final
{
public:
    MessageBox() = delete;

    enum class Role : unsigned char { normal, destructive, cancel };
    struct Button
    {
        QString title;
        Role role = Role::normal;
    };
    struct Shown
    {
        QString title;
        QString message;
        QStringList buttons; // in the order shown, the cancel choice included
    };

    // Returns the index into actions of the chosen action, or -1 when cancelled (the "Cancel"
    // button, Escape or closing the dialog).
    static int confirm(QWidget *parent, const QString &title, const QString &message,
                       const QList<Button> &actions);
    // An alert with the given buttons (default: a single "OK" with the cancel role). Returns the
    // chosen index; Escape picks the cancel-role button, or -1 when there is none.
    static int alert(QWidget *parent, const QString &title, const QString &message,
                     const QList<Button> &buttons = {});

    static void setNextAnswer(int index);
    static void setNextAnswer(const QString &buttonTitle);
    static void clearNextAnswer();
    static std::optional<Shown> lastShown();
    static void clearLastShown();

private:
    static int show(QWidget *parent, const QString &title, const QString &message,
                    const QList<Button> &buttons, int escapeIndex, QAccessible::Role role);
};
