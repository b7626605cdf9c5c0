#pragma once

// ListRow: one row of an inset list or grouped form: optional leading symbol, title and
// subtitle, trailing value text and accessories, optional chevron; or fully custom content.
// An activatable row highlights on hover and press, takes keyboard focus and emits activated()
// on click, Space, Return or Enter, and offers screen readers a Press action that does the same
// (the row is a list item in a list section, a button elsewhere).
//
//   auto *row = new ListRow(tr("Daily Reminders"));
//   row->setSymbol("bell.badge.fill", ColorRole::red);        // follows light and dark
//   row->addTrailing(new ToggleSwitch);                       // any widget on the trailing side
//   auto *count = new ListRow(tr("Plants")); count->setValueText(QLocale().toString(n));
//   auto *add = new ListRow(tr("Add Sample Plants")); add->setSymbol("leaf.circle",
//   ThemeColor::text(ColorRole::accent)); add->setTitleColor(ThemeColor::text(ColorRole::accent));
//   add->setActivatable(true); connect(add, &ListRow::activated, ...); auto *task = new ListRow;
//   task->setContent(myTaskRowWidget); task->setAccessory(ListRow::Accessory::chevron); row->contentLayout()
//   // the QHBoxLayout of the row, for extra widgets Title, subtitle and value are plain text.

#include "Views/Components/ThemeColor.h"

#include <QColor>
#include <QWidget>

class QHBoxLayout;
class SymbolView;
class TextLabel;

class ListRow final : public QWidget
{
    Q_OBJECT
public:
    enum class Accessory : unsigned char { none, chevron };

    explicit ListRow(const QString &title = {}, QWidget *parent = nullptr);

    QString title() const;
    void setTitle(const QString &title);
    void setSubtitle(const QString &subtitle);
    void setSymbol(const QString &symbol, const ThemeColor &tint);
    void setTitleColor(const ThemeColor &color);
    void setValueText(const QString &value);
    QString valueText() const;
    void addTrailing(QWidget *widget);
    void setContent(QWidget *content); // replaces symbol and texts
    void setAccessory(Accessory accessory);
    void setActivatable(bool activatable);
    bool isActivatable() const { return m_activatable; }
    QHBoxLayout *contentLayout() const { return m_layout; }
    TextLabel *titleLabel() const { return m_title; }
    // Where the hairline below this row starts, from the row's leading edge.
    int separatorInset() const;

    // Set by InsetSection: which corners of the row are the section's rounded corners.
    void setRoundedCorners(unsigned corners);

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void applyTitleColor();

    QHBoxLayout *m_layout;
    SymbolView *m_symbol = nullptr;
    TextLabel *m_title;
    TextLabel *m_subtitle;
    TextLabel *m_value;
    SymbolView *m_chevron;
    QWidget *m_texts;
    ThemeColor m_titleColor = &ThemeColors::label;
    unsigned m_corners = 0;
    bool m_activatable = false;
    bool m_pressed = false;
};
