#include "Views/Components/ContentUnavailableView.h"

#include "Core/Formatting.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

ContentUnavailableView::ContentUnavailableView(const QString &symbol, const QString &title,
                                               const QString &description, QWidget *parent)
    : QWidget(parent)
{
    const Theme &t = Theme::current();
    const PanelStyle &s = t.unavailable;
    m_symbol =
        new SymbolView(symbol, s.symbolSize, &ThemeColors::secondaryLabel, this); // the panel's symbol colour
    m_title = new TextLabel(title, TextStyle::title2, this);
    m_title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_title->setFont(s.titleFont);
    m_title->setAlignment(Qt::AlignHCenter);
    m_title->setWordWrap(true);
    m_description = new TextLabel(description, TextStyle::body, this);
    m_description->setFont(s.descriptionFont);
    m_description->setTextColor(&ThemeColors::secondaryLabel); // the panel's description colour
    m_description->setAlignment(Qt::AlignHCenter);
    m_description->setWordWrap(true);
    m_description->setVisible(!description.isEmpty());

    // The texts wrap within a readable measure, centred in whatever space the panel covers.
    auto *inner = new QWidget(this);
    inner->setMaximumWidth(420);
    auto *column = new QVBoxLayout(inner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(s.spacing);
    column->addWidget(m_symbol, 0, Qt::AlignHCenter);
    column->addSpacing(4);
    column->addWidget(m_title);
    column->addWidget(m_description);
    m_actionsLayout = new QVBoxLayout;
    m_actionsLayout->setSpacing(10);
    m_actionsLayout->setContentsMargins(0, 10, 0, 0);
    column->addLayout(m_actionsLayout);
    auto *centre = new QHBoxLayout;
    centre->addStretch(1);
    centre->addWidget(inner, 1000);
    centre->addStretch(1);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->addStretch(1);
    outer->addLayout(centre);
    outer->addStretch(1);
    setAccessibleName(title);
    setAccessibleDescription(description);
    Accessibility::setRole(m_title, QAccessible::Heading);
}

ContentUnavailableView *ContentUnavailableView::search(const QString &searchText, QWidget *parent)
{
    return new ContentUnavailableView(QStringLiteral("magnifyingglass"), searchTitle(searchText),
                                      tr("Check the spelling or try a new search."), parent);
}

QString ContentUnavailableView::searchTitle(const QString &searchText)
{
    return tr("No Results for “%1”").arg(Formatting::isolated(searchText));
}

QString ContentUnavailableView::title() const
{
    return m_title->text();
}

void ContentUnavailableView::setTitle(const QString &title)
{
    m_title->setText(title);
    setAccessibleName(title);
}

QString ContentUnavailableView::description() const
{
    return m_description->text();
}

void ContentUnavailableView::setDescription(const QString &description)
{
    m_description->setText(description);
    m_description->setVisible(!description.isEmpty());
    setAccessibleDescription(description);
}

void ContentUnavailableView::setSymbol(const QString &symbol)
{
    m_symbol->setSymbol(symbol);
}

void ContentUnavailableView::setSearchText(const QString &searchText)
{
    setTitle(searchTitle(searchText));
}

GlassButton *ContentUnavailableView::addAction(const QString &text, GlassButton::Style style)
{
    auto *button = new GlassButton(text, {}, style, m_title->parentWidget());
    button->setControlSize(GlassButton::ControlSize::large);
    button->setMinimumWidth(220);
    m_actionsLayout->addWidget(button, 0, Qt::AlignHCenter);
    m_actions.append(button);
    return button;
}

void ContentUnavailableView::overlay(QWidget *host)
{
    if (parentWidget())
        parentWidget()->removeEventFilter(this);
    setParent(host);
    host->installEventFilter(this);
    setGeometry(host->rect());
    raise();
    show();
}

bool ContentUnavailableView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}
