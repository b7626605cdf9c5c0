#pragma once

// ScrollColumn: a vertically scrolling screen body: one leading-aligned column with the default
// inset, optionally at most N wide and centred (detail screens), on a theme background.
//
//   auto *page = new ScrollColumn(parent);                 // window background, padding 20
//   page->setSpacing(28); page->setMaximumColumnWidth(820);
//   page->addWidget(hero); page->columnLayout()->addLayout(...);
//   auto *list = new ScrollColumn(parent); list->setBackground(&ThemeColors::groupedBackground);
//   list->addWidget(new InsetSection(...));               // an inset list
//   window->resize(list->contentSize(440));                // as large as what it holds

#include "Views/Components/ThemeColor.h"

#include <QScrollArea>

class QVBoxLayout;

class ScrollColumn final : public QScrollArea
{
    Q_OBJECT
public:
    explicit ScrollColumn(QWidget *parent = nullptr);

    QVBoxLayout *columnLayout() const { return m_column; }
    QWidget *column() const { return m_columnWidget; }
    void addWidget(QWidget *widget);
    void setSpacing(int spacing);
    void setPadding(int padding);
    void setMaximumColumnWidth(int width); // 0: no limit
    // Window background unless set; a theme colour follows a switch of appearance.
    void setBackground(const ThemeColor &color);
    // The smallest size that shows all of the content, padding included, without scrolling: at
    // least preferredWidth wide, wider if the content needs it. A window that holds little sizes
    // itself to this.
    QSize contentSize(int preferredWidth) const;

private:
    void applyBackground();

    ThemeColor m_background = &ThemeColors::windowBackground;
    QWidget *m_columnWidget;
    QVBoxLayout *m_column;
};
