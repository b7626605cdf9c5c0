#pragma once

// TextFieldPalette: the colours of a frameless text field on a list row or a search capsule:
// transparent base, label-coloured text, a faint placeholder and an accent selection. They
// follow a switch between light and dark.
//
//   TextFieldPalette::apply(lineEdit);                                  // tertiary placeholder
//   TextFieldPalette::apply(searchEdit, &ThemeColors::secondaryLabel);

#include "Views/Components/Theme.h"

class QWidget;

class TextFieldPalette final
{
public:
    TextFieldPalette() = delete;

    static void apply(QWidget *field, QColor ThemeColors::*placeholder = &ThemeColors::tertiaryLabel);
};
