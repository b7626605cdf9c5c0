#pragma once

// GlassButton: the app's button in the platform's button styles, with hover, pressed, disabled
// and keyboard-focus looks. Space, Return and Enter press it.
//
//   new GlassButton(tr("Add a Plant"), {}, GlassButton::Style::prominentGlass, parent);
//   new GlassButton(tr("Try with Sample Plants"), {}, GlassButton::Style::glass, parent);
//   auto *done = new GlassButton(tr("Done"), "checkmark", GlassButton::Style::prominentGlass);
//   done->setTint(theme.color(kind.tint()));
//   // Round 36 x 36 glass button with only a symbol (icon-only: give it an accessible name):
//   GlassButton::circular("drop.fill", theme.colors.blue, 36, tr("Mark water done for Fern"), parent);
//   b->setControlSize(GlassButton::ControlSize::large); b->setExpanding(true);   // full-width
//   b->setRole(GlassButton::Role::destructive);      // red content (red fill when prominent)
//   b->setMenu(menu);                                // pops the menu below the button on click
//   b->setMenuAnchor(field);                         // ... below the field and button, as wide
//   Styles: glass (translucent), prominentGlass (filled with the tint, white content),
//   bordered (neutral fill, accent content), borderless (text only, e.g. "Complete All").
//   The tint defaults to the accent colour. A tint given as a ColorRole takes its text shade where
//   it colours text and its solid shade where it fills under white content (Theme::textColor,
//   Theme::solidColor); any other tint is drawn as given. clicked() as for any QAbstractButton.
//   As in any Qt button, "&" in the text marks a mnemonic: text holding user data goes through
//   Formatting::mnemonicEscaped() ("&&" shows one "&"). circular() takes its name as plain text.

#include "Views/Components/ThemeColor.h"
#include <QAbstractButton>

#include <QColor>
#include <QMenu>
#include <QPointer>

#include <optional>

class GlassButton final : public QAbstractButton
{
    Q_OBJECT
public:
    enum class Style : unsigned char { glass, prominentGlass, bordered, borderless };
    enum class Shape : unsigned char { capsule, circle, roundedRect };
    enum class ControlSize : unsigned char { small, regular, large };
    enum class Role : unsigned char { normal, destructive, cancel };

    GlassButton(const QString &text, const QString &symbol = {}, Style style = Style::glass,
                QWidget *parent = nullptr);
    static GlassButton *circular(const QString &symbol, const std::optional<ThemeColor> &tint, int diameter,
                                 const QString &accessibleName, QWidget *parent = nullptr);

    Style buttonStyle() const { return m_style; }
    void setButtonStyle(Style style);
    void setShape(Shape shape);
    void setControlSize(ControlSize size);
    void setRole(Role role);
    Role role() const { return m_role; }
    void setTint(const std::optional<ThemeColor> &tint);
    void setSymbol(const QString &symbol);
    QString symbol() const { return m_symbol; }
    void setSymbolOnly(bool symbolOnly); // hides the text, keeps it as the accessible name
    void setDiameter(int diameter);      // circle shape
    void setExpanding(bool expanding);   // takes the full width offered
    void setMenu(QMenu *menu);
    QMenu *menu() const { return m_menu; }
    // The menu opens below anchor and this button together, at least as wide as both, as a
    // combo box's list opens below its field (the button at the end of a text field).
    void setMenuAnchor(QWidget *anchor);
    // Symbol weight: the content font's weight (semibold by default).
    void setContentFont(const QFont &font);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

private:
    void showMenu();
    QFont contentFont() const;
    int controlHeight() const;
    enum class Shade : unsigned char { tint, text, solid };
    QColor tintColor(Shade shade) const;

    QString m_symbol;
    Style m_style;
    Shape m_shape = Shape::capsule;
    ControlSize m_size = ControlSize::regular;
    Role m_role = Role::normal;
    std::optional<ThemeColor> m_tint;
    std::optional<QFont> m_font;
    QPointer<QMenu> m_menu;
    QPointer<QWidget> m_menuAnchor;
    int m_diameter = 0;
    bool m_symbolOnly = false;
    bool m_expanding = false;
    bool m_keyboardFocus = false;
};
