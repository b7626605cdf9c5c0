#pragma once

// TextFieldPalette: the colours of a frameless text field on a list row or a search capsule:
// transparent base, label-coloured text, a secondary placeholder (readable, 4.5:1) and an accent
// selection. They follow a switch between light and dark.
//
//   TextFieldPalette::apply(lineEdit);

#include "Views/Components/Theme.h"

class QWidget;

class TextFieldPalette final
{
public:
    TextFieldPalette() = delete;

    static void apply(QWidget *field);
};
