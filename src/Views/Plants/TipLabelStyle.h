#pragma once

// tipLabelStyle(): the look of one care tip on the plant detail screen: the lightbulb in yellow
// beside the tip's text, 10 apart, the symbol on the first line of text as the text wraps.
//
//   tipsColumn->addWidget(tipLabelStyle(new SymbolLabel("lightbulb.fill", tip)));

class SymbolLabel;

// Applies the style to label and returns it, so it can wrap a constructor call.
SymbolLabel *tipLabelStyle(SymbolLabel *label);
