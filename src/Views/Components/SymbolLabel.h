#pragma once

// SymbolLabel: a symbol followed by a plain-text title, like the platform's Label: header labels
// ("Overdue" with its symbol in red), status lines, the tip rows, the room capsule's content.
//
//   auto *l = new SymbolLabel("exclamationmark.circle.fill", tr("Overdue"), TextStyle::subheadline, parent);
//   l->setColor(theme.colors.red);            // text and symbol
//   l->setSymbolColor(theme.colors.yellow);   // symbol only (tips)
//   l->setSpacing(10); l->setWordWrap(true); l->setTextStyle(TextStyle::caption, QFont::DemiBold);
//   l->setAlignTop(true);                     // symbol on the first line of wrapped text

#include "Views/Components/Theme.h"
#include "Views/Components/ThemeColor.h"

#include <QWidget>

class SymbolView;
class TextLabel;
class QHBoxLayout;

class SymbolLabel final : public QWidget
{
    Q_OBJECT
public:
    SymbolLabel(const QString &symbol, const QString &text, TextStyle style = TextStyle::body,
                QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    void setSymbol(const QString &symbol);
    void setColor(const ThemeColor &color);
    void setSymbolColor(const ThemeColor &color);
    void setTextColor(const ThemeColor &color);
    void setTextStyle(TextStyle style, QFont::Weight weight);
    void setSpacing(int spacing);
    void setWordWrap(bool wrap);
    void setAlignTop(bool top);
    TextLabel *textLabel() const { return m_text; }
    SymbolView *symbolView() const { return m_symbol; }

private:
    void syncSymbolSize();

    SymbolView *m_symbol;
    TextLabel *m_text;
    QHBoxLayout *m_layout;
};
