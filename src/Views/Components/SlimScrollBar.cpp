#include "Views/Components/SlimScrollBar.h"

#include "Views/Components/Theme.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

void SlimScrollBar::apply(QAbstractScrollArea *area)
{
    Theme::follow(area, [area] { style(area); });
}

void SlimScrollBar::style(QAbstractScrollArea *area)
{
    const QColor handle = Theme::current().colors.fill;
    area->verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 32px; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }")
            .arg(QStringLiteral("rgba(%1, %2, %3, %4)")
                     .arg(handle.red())
                     .arg(handle.green())
                     .arg(handle.blue())
                     .arg(qMin(1.0, handle.alphaF() * 2.5), 0, 'f', 2)));
}
