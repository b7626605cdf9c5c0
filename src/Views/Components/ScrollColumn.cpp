#include "Views/Components/ScrollColumn.h"

#include "Views/Components/SlimScrollBar.h"
#include "Views/Components/Theme.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

ScrollColumn::ScrollColumn(QWidget *parent) : QScrollArea(parent)
{
    const Theme &t = Theme::current();
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes to the controls in the column; the page draws no focus of its own, so it is no stop.
    setFocusPolicy(Qt::ClickFocus);
    auto *canvas = new QWidget;
    auto *centre = new QHBoxLayout(canvas);
    centre->setContentsMargins(t.contentPadding, t.contentPadding, t.contentPadding, t.contentPadding);
    m_columnWidget = new QWidget(canvas);
    m_columnWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_column = new QVBoxLayout(m_columnWidget);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(20);
    m_column->addStretch(1);
    // Spacers on both sides take only what the column cannot: it grows up to its maximum width
    // and stays centred beyond that.
    centre->addStretch(1);
    centre->addWidget(m_columnWidget, 1000, Qt::AlignTop);
    centre->addStretch(1);
    setWidget(canvas);
    Theme::follow(this, [this] { applyBackground(); });
    SlimScrollBar::apply(this);
}

void ScrollColumn::addWidget(QWidget *widget)
{
    // Before the trailing stretch, so content stays at the top.
    m_column->insertWidget(m_column->count() - 1, widget);
}

void ScrollColumn::setSpacing(int spacing)
{
    m_column->setSpacing(spacing);
}

void ScrollColumn::setPadding(int padding)
{
    widget()->layout()->setContentsMargins(padding, padding, padding, padding);
}

void ScrollColumn::setMaximumColumnWidth(int width)
{
    m_columnWidget->setMaximumWidth(width > 0 ? width : QWIDGETSIZE_MAX);
}

void ScrollColumn::setBackground(const ThemeColor &color)
{
    m_background = color;
    applyBackground();
}

QSize ScrollColumn::contentSize(int preferredWidth) const
{
    const QWidget *canvas = widget();
    const int width = std::max(preferredWidth, canvas->minimumSizeHint().width());
    return {width, canvas->hasHeightForWidth() ? canvas->heightForWidth(width) : canvas->sizeHint().height()};
}

void ScrollColumn::applyBackground()
{
    const QColor color = m_background.resolve();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
    viewport()->setAutoFillBackground(true);
    viewport()->setPalette(pal);
    widget()->setAutoFillBackground(true);
    widget()->setPalette(pal);
}
