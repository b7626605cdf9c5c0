#include "Views/Components/NavigationStack.h"

#include "Core/Formatting.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Spring.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace {

const char *const kItemProperty = "tendrelNavigationItem";

// The bar above the pages: its own background and a hairline below.
class HeaderBar final : public QWidget
{
public:
    explicit HeaderBar(QWidget *parent) : QWidget(parent) { setAutoFillBackground(false); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const NavigationStyle &s = Theme::current().navigation;
        QPainter p(this);
        p.fillRect(rect(), s.background);
        p.setPen(QPen(s.separator, 1));
        p.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
    }
};

// Waits on a page for its stack: the stack gives the page its item before parenting it, so the
// page's parent change (or, at the latest, its first show) finds both.
class PlacementWatch final : public QObject
{
public:
    PlacementWatch(QWidget *page, std::function<void(NavigationStack *, NavigationItem *)> placed)
        : QObject(page), m_page(page), m_placed(std::move(placed))
    {
        page->installEventFilter(this);
    }

    bool tryPlace()
    {
        NavigationStack *stack = NavigationStack::of(m_page);
        NavigationItem *item = stack ? stack->item(m_page) : nullptr;
        if (!item)
            return false;
        m_page->removeEventFilter(this);
        const auto placed = std::move(m_placed);
        deleteLater();
        placed(stack, item);
        return true;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_page && m_placed &&
            (event->type() == QEvent::ParentChange || event->type() == QEvent::Show))
            tryPlace();
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_page;
    std::function<void(NavigationStack *, NavigationItem *)> m_placed;
};

} // namespace

NavigationStack::NavigationStack(QWidget *parent) : QWidget(parent)
{
    const Theme &t = Theme::current();
    const NavigationStyle &s = t.navigation;
    m_header = new HeaderBar(this);
    m_header->setFixedHeight(s.headerHeight);
    m_headerLayout = new QHBoxLayout(m_header);
    m_headerLayout->setContentsMargins(s.paddingH - 8, 0, s.paddingH, 0);
    m_headerLayout->setSpacing(8);

    m_leading = new QHBoxLayout;
    m_leading->setSpacing(8);
    m_back =
        new GlassButton(QString(), QStringLiteral("chevron.left"), GlassButton::Style::borderless, m_header);
    m_back->setTint(ThemeColor(ColorRole::accent)); // the navigation tint
    m_back->setContentFont(s.backFont);
    m_back->setAccessibleName(tr("Back"));
    m_back->hide();
    m_title = new TextLabel({}, TextStyle::largeTitle, m_header);
    m_title->setElided(true);
    m_title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    Accessibility::setRole(m_title, QAccessible::Heading);
    m_trailing = new QHBoxLayout;
    m_trailing->setSpacing(8);

    m_headerLayout->addLayout(m_leading);
    m_headerLayout->addWidget(m_back);
    m_headerLayout->addWidget(m_title, 1);
    m_headerLayout->addLayout(m_trailing);

    m_content = new QWidget(this);
    m_content->installEventFilter(this);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(m_content, 1);

    connect(m_back, &QAbstractButton::clicked, this, &NavigationStack::pop);
    auto *back = new QAction(this);
    back->setShortcuts(QKeySequence::Back);
    back->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(back, &QAction::triggered, this, &NavigationStack::pop);
    addAction(back);
}

NavigationItem *NavigationStack::setRoot(QWidget *page, const QString &title)
{
    m_savedFocus.clear();
    while (!m_pages.isEmpty()) {
        QWidget *old = m_pages.takeLast();
        emit pagePopped(old);
        old->hide();
        old->deleteLater();
    }
    auto *item = new NavigationItem(title, page);
    page->setProperty(kItemProperty, QVariant::fromValue(static_cast<QObject *>(item)));
    connect(item, &NavigationItem::changed, this, &NavigationStack::refreshHeader);
    page->setParent(m_content);
    m_pages.append(page);
    page->setGeometry(m_content->rect());
    page->show();
    refreshHeader();
    emit currentChanged(page);
    return item;
}

NavigationItem *NavigationStack::push(QWidget *page, const QString &title)
{
    if (m_pages.isEmpty())
        return setRoot(page, title);
    auto *item = new NavigationItem(title, page);
    item->setLargeTitle(false);
    page->setProperty(kItemProperty, QVariant::fromValue(static_cast<QObject *>(item)));
    connect(item, &NavigationItem::changed, this, &NavigationStack::refreshHeader);
    QWidget *previous = m_pages.last();
    QWidget *focus = QApplication::focusWidget();
    SavedFocus saved;
    if (focus && previous->isAncestorOf(focus))
        saved = {focus, Painting::showsFocusRing(focus)};
    m_savedFocus.append(saved);
    page->setParent(m_content);
    m_pages.append(page);
    refreshHeader();
    slide(page, previous, true, false);
    // The keyboard goes with the user onto the new page, to its first control: left on the page
    // that slid away, Qt would hand it to whatever comes next in the window (a toast's "Undo").
    if (!focus || previous->isAncestorOf(focus) || isAncestorOf(focus))
        focusFirstControl(page, saved.fromKeyboard ? Qt::TabFocusReason : Qt::OtherFocusReason);
    emit currentChanged(page);
    return item;
}

void NavigationStack::focusFirstControl(QWidget *page, Qt::FocusReason reason)
{
    const QWidget *focus = QApplication::focusWidget();
    if (focus && page->isAncestorOf(focus))
        return; // the page chose its own (a search field)
    // The focus chain is in Tab order: the page's first stop is the first of its widgets in it.
    QWidget *stop = page->nextInFocusChain();
    while (stop && stop != page) {
        if (page->isAncestorOf(stop) && (stop->focusPolicy() & Qt::TabFocus) && stop->isVisibleTo(page) &&
            stop->isEnabled() && !stop->focusProxy())
            break;
        stop = stop->nextInFocusChain();
    }
    // A page without a control takes the keys itself, so they stay with what the user sees.
    (stop && stop != page ? stop : page)->setFocus(reason);
}

bool NavigationStack::pop()
{
    if (m_pages.size() < 2)
        return false;
    QWidget *leaving = m_pages.takeLast();
    const SavedFocus saved = m_savedFocus.isEmpty() ? SavedFocus{} : m_savedFocus.takeLast();
    emit pagePopped(leaving);
    refreshHeader();
    slide(m_pages.last(), leaving, false, true);
    // Back where the user left off: the row that opened the page has focus again.
    if (saved.widget && saved.widget->isVisible() && m_pages.last()->isAncestorOf(saved.widget))
        saved.widget->setFocus(saved.fromKeyboard ? Qt::TabFocusReason : Qt::OtherFocusReason);
    emit currentChanged(m_pages.last());
    return true;
}

void NavigationStack::popToRoot()
{
    while (m_pages.size() > 2) {
        QWidget *middle = m_pages.takeAt(m_pages.size() - 2);
        m_savedFocus.removeLast();
        emit pagePopped(middle);
        middle->hide();
        middle->deleteLater();
    }
    pop();
}

NavigationItem *NavigationStack::item(QWidget *page) const
{
    if (!page)
        return nullptr;
    return qobject_cast<NavigationItem *>(page->property(kItemProperty).value<QObject *>());
}

QString NavigationStack::currentTitle() const
{
    const NavigationItem *i = item(currentPage());
    return i ? i->title() : QString();
}

QStringList NavigationStack::titles() const
{
    QStringList list;
    for (QWidget *p : m_pages)
        list.append(item(p) ? item(p)->title() : QString());
    return list;
}

void NavigationStack::setAnimated(bool animated)
{
    m_animated = animated;
}

NavigationStack *NavigationStack::of(QWidget *descendant)
{
    for (QWidget *w = descendant; w; w = w->parentWidget()) {
        if (auto *stack = qobject_cast<NavigationStack *>(w))
            return stack;
    }
    return nullptr;
}

void NavigationStack::whenPlaced(QWidget *page,
                                 std::function<void(NavigationStack *, NavigationItem *)> placed)
{
    (new PlacementWatch(page, std::move(placed)))->tryPlace();
}

bool NavigationStack::eventFilter(QObject *watched, QEvent *event)
{
    // Pages are placed by hand (they slide), so they follow the content area's size here.
    if (watched == m_content && event->type() == QEvent::Resize)
        layoutPages();
    return QWidget::eventFilter(watched, event);
}

void NavigationStack::mousePressEvent(QMouseEvent *event)
{
    // Presses the pages leave alone arrive here: the mouse's Back button goes back.
    if (event->button() == Qt::BackButton && pop()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void NavigationStack::layoutPages()
{
    for (QWidget *p : m_pages)
        p->setGeometry(QRect(QPoint(0, 0), m_content->size()));
}

void NavigationStack::refreshHeader()
{
    const NavigationStyle &s = Theme::current().navigation;
    // Take the previous page's toolbar widgets out of the header; they stay owned by their item.
    for (QHBoxLayout *box : {m_leading, m_trailing}) {
        while (QLayoutItem *li = box->takeAt(0)) {
            if (QWidget *w = li->widget())
                w->hide();
            delete li;
        }
    }
    NavigationItem *current = item(currentPage());
    if (!current) {
        m_back->hide();
        m_title->clear();
        return;
    }
    const bool canGoBack = m_pages.size() > 1;
    m_back->setVisible(canGoBack);
    if (canGoBack) {
        const NavigationItem *previous = item(m_pages[m_pages.size() - 2]);
        const QString backTitle = previous ? previous->title() : QString();
        // Titles may be plant names, which must never become a mnemonic.
        m_back->setText(Formatting::mnemonicEscaped(backTitle));
        m_back->setAccessibleName(backTitle.isEmpty() ? tr("Back") : tr("Back to %1").arg(backTitle));
    }
    m_title->setText(current->title());
    m_title->setFont(current->largeTitle() ? s.largeTitleFont
                                           : Theme::current().font(TextStyle::title3, QFont::Bold));
    m_title->setAccessibleName(current->title());
    for (QWidget *w : current->leading()) {
        w->setParent(m_header);
        m_leading->addWidget(w);
        w->show();
    }
    for (QWidget *w : current->trailing()) {
        w->setParent(m_header);
        m_trailing->addWidget(w);
        w->show();
    }
    // A widget given a new parent goes to the end of the window's Tab chain, after the pages:
    // put the header's controls back right after the back button, above the page as they are seen.
    // A compound widget (one whose focus proxy is inside it, such as a search field) moves as one
    // stop with its inner widgets; moving only the inner editor would leave the compound behind,
    // where Tab still stops on it (in the middle of the page).
    QWidget *previous = m_back;
    for (QWidget *w : current->leading() + current->trailing()) {
        QList<QWidget *> stops{w};
        if (w->focusPolicy() == Qt::NoFocus && !w->focusProxy())
            stops = w->findChildren<QWidget *>();
        for (QWidget *stop : std::as_const(stops)) {
            if (!(stop->focusPolicy() & Qt::TabFocus))
                continue;
            QWidget::setTabOrder(previous, stop);
            previous = stop;
        }
    }
}

void NavigationStack::slide(QWidget *incoming, QWidget *outgoing, bool forward, bool deleteOutgoing)
{
    const QRect full(QPoint(0, 0), m_content->size());
    incoming->setGeometry(full);
    incoming->show();
    if (!m_animated || !Spring::animationsEnabled() || !isVisible()) {
        incoming->move(0, 0);
        outgoing->hide();
        if (deleteOutgoing)
            outgoing->deleteLater();
        return;
    }
    // The page on top slides: a pushed page comes in from the trailing edge, a popped one leaves.
    QWidget *moving = forward ? incoming : outgoing;
    moving->raise();
    auto *animation = new QPropertyAnimation(moving, "pos", this);
    animation->setDuration(Spring::durationMs());
    animation->setEasingCurve(Spring::curve());
    animation->setStartValue(forward ? QPoint(full.width(), 0) : QPoint(0, 0));
    animation->setEndValue(forward ? QPoint(0, 0) : QPoint(full.width(), 0));
    connect(animation, &QAbstractAnimation::finished, outgoing, [outgoing, deleteOutgoing, this] {
        if (currentPage() != outgoing)
            outgoing->hide();
        if (deleteOutgoing)
            outgoing->deleteLater();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
