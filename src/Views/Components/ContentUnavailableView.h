#pragma once

// ContentUnavailableView: the centred empty-state panel: a large symbol, a title, a description
// and optional action buttons stacked below. Transparent; lay it over a list with overlay().
//
//   auto *empty = new ContentUnavailableView("leaf", tr("Your jungle awaits"), tr("Add your …"), parent);
//   GlassButton *add = empty->addAction(tr("Add a Plant"), GlassButton::Style::prominentGlass);
//   connect(add, &QAbstractButton::clicked, ...);
//   auto *none = ContentUnavailableView::search(searchText, parent);  // "No Results for “…”"
//   none->setSearchText(text);                                         // keeps the wording
//   empty->overlay(scrollArea);   // child of scrollArea, always covering it; hide()/show() as needed

#include <QWidget>

#include "Views/Components/GlassButton.h"

class SymbolView;
class TextLabel;
class QVBoxLayout;

class ContentUnavailableView final : public QWidget
{
    Q_OBJECT
public:
    ContentUnavailableView(const QString &symbol, const QString &title, const QString &description,
                           QWidget *parent = nullptr);
    static ContentUnavailableView *search(const QString &searchText, QWidget *parent = nullptr);
    // "No Results for “{text}”", the search panel's title.
    static QString searchTitle(const QString &searchText);

    QString title() const;
    void setTitle(const QString &title);
    QString description() const;
    void setDescription(const QString &description);
    void setSymbol(const QString &symbol);
    void setSearchText(const QString &searchText);

    GlassButton *addAction(const QString &text, GlassButton::Style style = GlassButton::Style::glass);
    QList<GlassButton *> actions() const { return m_actions; }

    void overlay(QWidget *host);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SymbolView *m_symbol;
    TextLabel *m_title;
    TextLabel *m_description;
    QVBoxLayout *m_actionsLayout;
    QList<GlassButton *> m_actions;
};
