#pragma once

// sectionHeaderStyle(): the look of a section title on the detail screens and of the Plants
// screen's room headers: title 3, bold, stretched to the full width, leading-aligned, plain text;
// a heading to assistive technology.
//
//   layout->addWidget(sectionHeaderStyle(new QLabel(tr("Care Needs"))));
//   layout->addWidget(sectionHeader(tr("Tips")));       // the same, as a new TextLabel

#include <QString>

class QLabel;
class QWidget;
class TextLabel;

// Applies the style to label and returns it, so it can wrap a constructor call.
QLabel *sectionHeaderStyle(QLabel *label);
TextLabel *sectionHeader(const QString &text, QWidget *parent = nullptr);
