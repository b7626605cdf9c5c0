#include "Views/Plants/NotesEditor.h"

#include "Views/Components/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

NotesEditor::NotesEditor(const QString &placeholder, QWidget *parent) : QPlainTextEdit(parent)
{
    const Theme &t = Theme::current();
    setFrameShape(QFrame::NoFrame);
    setPlaceholderText(placeholder);
    setAccessibleName(placeholder);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFont(t.font(TextStyle::body));
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, t.colors.label);
    pal.setColor(QPalette::PlaceholderText, t.colors.tertiaryLabel);
    pal.setColor(QPalette::Highlight, Theme::withAlpha(t.colors.accent, 0.35));
    pal.setColor(QPalette::HighlightedText, t.colors.label);
    setPalette(pal);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPlainTextEdit::textChanged, this, &NotesEditor::fitHeight);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &NotesEditor::fitHeight);
    fitHeight();
}

int NotesEditor::lineCount() const
{
    int lines = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        // A block not laid out yet (before the first resize) counts as one line.
        lines += (layout && layout->lineCount() > 0) ? layout->lineCount() : 1;
    }
    return std::max(lines, 1);
}

int NotesEditor::visibleLines() const
{
    return std::clamp(lineCount(), minimumLines, maximumLines);
}

QSize NotesEditor::sizeHint() const
{
    return {240, heightForLines(visibleLines())};
}

QSize NotesEditor::minimumSizeHint() const
{
    return {80, heightForLines(minimumLines)};
}

void NotesEditor::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    // Wrapping depends on the width, so the line count does too.
    fitHeight();
}

void NotesEditor::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitHeight();
}

int NotesEditor::heightForLines(int lines) const
{
    const QMargins m = contentsMargins();
    return lines * fontMetrics().lineSpacing() + m.top() + m.bottom() + 2 * frameWidth() + 4;
}

void NotesEditor::fitHeight()
{
    const int height = heightForLines(visibleLines());
    if (height == m_lastHeight)
        return;
    m_lastHeight = height;
    setFixedHeight(height);
    setVerticalScrollBarPolicy(lineCount() > maximumLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    updateGeometry();
}
