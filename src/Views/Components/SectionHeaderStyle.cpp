#include "Views/Components/SectionHeaderStyle.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

QLabel *sectionHeaderStyle(QLabel *label)
{
    const Theme &t = Theme::current();
    label->setTextFormat(Qt::PlainText);
    label->setFont(t.font(TextStyle::title3, QFont::Bold));
    label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    Theme::follow(label, [label] {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, Theme::current().colors.label);
        label->setPalette(pal);
    });
    label->setAccessibleName(label->text());
    Accessibility::setRole(label, QAccessible::Heading);
    return label;
}

TextLabel *sectionHeader(const QString &text, QWidget *parent)
{
    auto *label = new TextLabel(text, TextStyle::title3, parent);
    sectionHeaderStyle(label);
    return label;
}
