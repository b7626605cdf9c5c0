#pragma once

// InfoTile: a small labelled value tile: the symbol (title 3, tinted), then the title (caption,
// secondary) over the value (subheadline, semibold), on the faintest fill, radius 18, padding 14.
// Stretches to its grid cell's width; one accessibility element ("Light, Bright indirect").
//
//   auto *tile = new InfoTile(tr("Water"), tr("Every 8 days"), "drop.fill", theme.colors.blue, parent);
//   tile->setValue(...); tile->setTint(...);

#include "Views/Components/ThemeColor.h"

#include <QColor>
#include <QWidget>

class SymbolView;
class TextLabel;

class InfoTile final : public QWidget
{
    Q_OBJECT
public:
    InfoTile(const QString &title, const QString &value, const QString &symbol, const ThemeColor &tint,
             QWidget *parent = nullptr);

    QString title() const;
    QString value() const;
    QString symbol() const;
    QColor tint() const { return m_tint.resolve(); }
    void setTitle(const QString &title);
    void setValue(const QString &value);
    void setSymbol(const QString &symbol);
    void setTint(const ThemeColor &tint);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateAccessibility();

    SymbolView *m_symbol;
    TextLabel *m_title;
    TextLabel *m_value;
    ThemeColor m_tint;
};
