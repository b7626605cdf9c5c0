#pragma once

// SymbolView: one symbol image as a widget (a fixed square), tinted; decorative unless given an
// accessible name.
//
//   auto *icon = new SymbolView("drop.fill", 20, ColorRole::blue, parent);   // follows light/dark
//   icon->setSymbol("checkmark"); icon->setColor(Qt::white); icon->setSymbolSize(24);

#include "Views/Components/ThemeColor.h"

#include <QColor>
#include <QWidget>

class SymbolView final : public QWidget
{
    Q_OBJECT
public:
    SymbolView(const QString &symbol, int size, const ThemeColor &color, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);
    QColor color() const { return m_color.resolve(); }
    void setColor(const ThemeColor &color);
    void setSymbolSize(int size);
    // Extra room around the symbol, e.g. a 28-wide column holding a 17 px icon.
    void setBoxSize(QSize box);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString m_symbol;
    int m_size;
    ThemeColor m_color;
    QSize m_box;
};
