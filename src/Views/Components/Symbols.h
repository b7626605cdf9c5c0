#pragma once

// Symbols: the app's icons, named by symbol name ("drop.fill", "leaf", "chevron.left"), drawn
// from vendored SVGs (resources/icons) tinted to any colour, crisp at any size and pixel ratio.
//
//   Symbols::pixmap("drop.fill", 20, color, devicePixelRatio)  // cached by (name, size, colour, dpr)
//   Symbols::icon("trash", color)                                // QIcon for menus and actions
//   Symbols::paint(painter, rect, "checkmark", color)            // centred, aspect kept
//   Symbols::sizeFor(font)                                       // icon size matching a text style
//   Symbols::contains(name), Symbols::resourcePath(name), Symbols::knownNames()
//
// An unknown name draws nothing and logs a warning under tendrel.views.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <optional>

class QFont;
class QPainter;
class QRectF;

class Symbols final
{
public:
    Symbols() = delete;

    // Every symbol name with an icon, sorted.
    static QStringList knownNames();
    static bool contains(const QString &name);
    // ":/icons/<file>.svg" for a known name.
    static std::optional<QString> resourcePath(const QString &name);

    // A square pixmap of side `size` logical pixels at `devicePixelRatio`, the symbol tinted with
    // `color`. Null for an unknown name or a size below 1.
    static QPixmap pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio = 1.0);
    // An icon whose pixmaps are rendered at the requested size; the disabled mode is faded.
    static QIcon icon(const QString &name, const QColor &color);
    // Draws the symbol into rect (square, centred), at the painter's device pixel ratio.
    static void paint(QPainter &painter, const QRectF &rect, const QString &name, const QColor &color);
    // The icon side that sits with text of this font, like a symbol image in a label.
    static int sizeFor(const QFont &font);

    static void clearCache();
};
