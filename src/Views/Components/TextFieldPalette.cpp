#include "Views/Components/TextFieldPalette.h"

#include <QWidget>

void TextFieldPalette::apply(QWidget *field)
{
    Theme::follow(field, [field] {
        const ThemeColors &c = Theme::current().colors;
        QPalette pal = field->palette();
        pal.setColor(QPalette::Base, Qt::transparent);
        pal.setColor(QPalette::Text, c.label);
        pal.setColor(QPalette::PlaceholderText, c.secondaryLabel);
        pal.setColor(QPalette::Highlight, Theme::withAlpha(c.accent, 0.35));
        pal.setColor(QPalette::HighlightedText, c.label);
        field->setPalette(pal);
    });
}
