#pragma once

// NavigationStack: a stack of pages under a header bar. The header shows a back button with the
// previous page's title (when there is one), the page's title (large or inline), and the page's
// toolbar items (leading and trailing). Pages slide in and out with the standard spring.
//
//   auto *stack = new NavigationStack(parent);
//   NavigationItem *root = stack->setRoot(todayPage, tr("Today"));
//   root->addTrailing(addPlantButton);
//   NavigationItem *item = stack->push(new PlantDetailView(plant), plant->name());
//   stack->pop();          // back; the popped page is deleted (later)
//   stack->popToRoot(); stack->depth(); stack->currentPage(); stack->titles();
//   NavigationStack::of(widget)   // the stack a page lives in (for pushing from inside a page)
//   NavigationStack::whenPlaced(page, [](NavigationStack *s, NavigationItem *i) { i->addTrailing(b); });
//   Back: the header button, Alt+Left (Qt's QKeySequence::Back) or the mouse's Back button;
//   the page below comes back as it was left, focus included. A pushed page takes the keyboard
//   focus (its first control) when the page below had it.
// Signals: currentChanged(QWidget *page) after every push/pop; pagePopped(QWidget *page) before
// the popped page is scheduled for deletion.

#include "Views/Components/NavigationItem.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class GlassButton;
class TextLabel;
class QHBoxLayout;

class NavigationStack final : public QWidget
{
    Q_OBJECT
public:
    explicit NavigationStack(QWidget *parent = nullptr);

    NavigationItem *setRoot(QWidget *page, const QString &title);
    NavigationItem *push(QWidget *page, const QString &title);
    bool pop();
    void popToRoot();

    int depth() const { return int(m_pages.size()); }
    QWidget *currentPage() const { return m_pages.isEmpty() ? nullptr : m_pages.last(); }
    QWidget *page(int index) const { return m_pages.value(index); }
    NavigationItem *item(QWidget *page) const;
    QString currentTitle() const;
    QStringList titles() const;
    GlassButton *backButton() const { return m_back; }
    QWidget *header() const { return m_header; }
    void setAnimated(bool animated);

    static NavigationStack *of(QWidget *descendant);
    // Calls placed once, as soon as page is a page of a stack (at once if it is already): pages
    // are made before they are pushed, and put their toolbar items in from here.
    static void whenPlaced(QWidget *page, std::function<void(NavigationStack *, NavigationItem *)> placed);

signals:
    void currentChanged(QWidget *page);
    void pagePopped(QWidget *page);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void refreshHeader();
    void layoutPages();
    void slide(QWidget *incoming, QWidget *outgoing, bool forward, bool deleteOutgoing);
    static void focusFirstControl(QWidget *page, Qt::FocusReason reason);

    QList<QWidget *> m_pages;
    // Per page below the top one: where focus was when the next page was pushed over it.
    struct SavedFocus
    {
        QPointer<QWidget> widget;
        bool fromKeyboard = false;
    };
    QList<SavedFocus> m_savedFocus;
    QWidget *m_header;
    QHBoxLayout *m_headerLayout;
    GlassButton *m_back;
    TextLabel *m_title;
    QHBoxLayout *m_leading;
    QHBoxLayout *m_trailing;
    QWidget *m_content;
    bool m_animated = true;
};
