#include "Views/Plants/TipLabelStyle.h"

#include "Views/Components/SymbolLabel.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

SymbolLabel *tipLabelStyle(SymbolLabel *label)
{
    const Theme &theme = Theme::current();
    label->setSpacing(10);
    label->setWordWrap(true);
    label->setAlignTop(true);
    label->setTextColor(theme.colors.label);
    label->setSymbolColor(theme.colors.yellow);
    // Wider, still as tall as the wrapped text (the label's policy carries its height-for-width).
    QSizePolicy policy = label->textLabel()->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Expanding);
    label->textLabel()->setSizePolicy(policy);
    return label;
}
