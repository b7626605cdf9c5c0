#pragma once

// Accessibility: what screen readers (Orca over AT-SPI) learn about the kit's widgets and the
// screens built from them. Call install() once the QApplication exists (TendrelApp does; widget
// tests that read interfaces call it in initTestCase()). From then on every plain QWidget
// subclass, scroll area and dialog gets an AccessibleItem, which reads the settings below when
// asked, so they may be made at any time (usually in the widget's constructor):
//
//   Accessibility::setRole(list, QAccessible::List);        // a list; its rows: ListItem
//   Accessibility::setRole(title, QAccessible::Heading);    // a section title
//   Accessibility::setPresentational(slot);  // a wrapper readers skip: its children are its parent's
//   Accessibility::setLeaf(card);            // one element that speaks for its children (its name)
//   Accessibility::setIgnored(dot);          // not there for readers (a separator, text a name repeats)
//   Accessibility::setDecorative(symbol);    // a picture: ignored unless given an accessible name
//   Accessibility::setPressKey(row, Qt::Key_Return);  // "Press" does exactly what Enter does
//   Accessibility::setAction(card, QAccessibleActionInterface::pressAction(), [card] { card->open(); });
//   Accessibility::setModal(panel);          // a dialog: everything outside it stops "showing"
//   Accessibility::setReadInPlaceOrder(list); // children read top to bottom as they stand, not as stacked
//   Accessibility::isShowing(widget);        // on screen: not scrolled or slid away, not behind a sheet
//
// Without a role, a window is a frame, a widget in a list is one of its items, one with a Press
// action a button, and a leaf elsewhere static text (its name). A modal window is read as modal.
//
// The kit's own widgets already answer: ListRow (Press = activated), SidebarItem (a page tab
// whose Press selects it), ToggleSwitch (a check box whose Toggle is a click, so it runs what a
// click runs), Stepper (a spin button with value, minimum and maximum), Sheet (a modal dialog),
// MessageBox (an alert, or a dialog when it asks), GlassButton (Press is a click), InsetSection
// (its title a heading; setAccessibleList(true) for a list of rows), NavigationStack (the title
// a heading, the back button "Back to …"), TextLabel (static text, or a heading when given the role),
// SymbolView (decorative: a graphic only when named), InfoTile (one element: "Water, Every 8 days"),
// GlassButton with a menu (a menu button).
//
// Presentational and ignored apply to the kit's own interfaces: a child with Qt's interface (a
// QLineEdit, a QLabel) names its own parent widget, so wrap such children in no presentational widget.
//
// Names: give custom widgets an accessible name made of fixed words and the data they show
// (never a mnemonic; GlassButton reads its text without "&" markers and offers no key binding).
// Actions run on the next turn of the event loop, so one that opens a modal dialog does not
// hold up the reader that asked for it.

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <functional>
#include <optional>

class QWidget;

class Accessibility final
{
public:
    Accessibility() = delete;

    static void install();

    static void setRole(QWidget *widget, QAccessible::Role role);
    static void clearRole(QWidget *widget);
    static std::optional<QAccessible::Role> role(const QWidget *widget);
    static void setPresentational(QWidget *widget, bool presentational = true);
    static bool isPresentational(const QWidget *widget);
    static void setLeaf(QWidget *widget, bool leaf = true);
    static bool isLeaf(const QWidget *widget);
    static void setIgnored(QWidget *widget, bool ignored = true);
    static bool isIgnored(const QWidget *widget);
    static void setDecorative(QWidget *widget, bool decorative = true);
    static void setModal(QWidget *widget, bool modal = true);
    static bool isModal(const QWidget *widget);
    // For a widget that places its children by hand and restacks them (raise(), lower()).
    static void setReadInPlaceOrder(QWidget *widget, bool inPlace = true);
    static bool readsInPlaceOrder(const QWidget *widget);

    // Replaces an action of that name, or adds it after the others.
    static void setAction(QWidget *widget, const QString &name, std::function<void()> action);
    static void setPressKey(QWidget *widget, int key);
    static QStringList actionNames(const QWidget *widget);
    // Queues the action; false when the widget has none of that name.
    static bool trigger(QWidget *widget, const QString &name);

    static bool isShowing(const QWidget *widget);
};
