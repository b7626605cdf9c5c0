#include "Views/Plants/NotesEditor.h"

#include "Views/Components/TextFieldPalette.h"
#include "Views/Components/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {

// How many characters of text the line break at index takes: the document keeps "\r\n" as one.
qsizetype breakLength(QStringView text, qsizetype index)
{
    const char16_t c = text[index].unicode();
    if (c == u'\r' && index + 1 < text.size() && text[index + 1] == u'\n')
        return 2;
    // The characters the document turns into a break between blocks.
    if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1)
        return 1;
    return 0;
}

// Index into text of the character at document position position (each break is one position).
qsizetype indexAt(QStringView text, qsizetype position)
{
    qsizetype index = 0;
    for (; position > 0 && index < text.size(); --position)
        index += std::max<qsizetype>(1, breakLength(text, index));
    return index;
}

// text as the document holds it: every break one U+2029.
QString documentForm(QStringView text)
{
    QString form;
    form.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = breakLength(text, i);
        form += length ? QChar(QChar::ParagraphSeparator) : text[i];
        i += std::max<qsizetype>(1, length);
    }
    return form;
}

} // namespace

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
    TextFieldPalette::apply(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPlainTextEdit::textChanged, this, &NotesEditor::fitHeight);
    connect(this, &QPlainTextEdit::textChanged, this, &NotesEditor::applyEdit);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &NotesEditor::fitHeight);
    fitHeight();
}

void NotesEditor::setNotes(const QString &notes)
{
    if (notes == m_notes && !m_shown.isNull())
        return;
    m_settingNotes = true;
    setPlainText(notes);
    m_settingNotes = false;
    m_notes = notes;
    m_shown = document()->toRawText();
}

void NotesEditor::applyEdit()
{
    if (m_settingNotes)
        return;
    // The edit is what lies between the parts of the document that stayed the same; only that
    // part of the kept text is replaced.
    const QString now = document()->toRawText();
    const qsizetype shortest = std::min(now.size(), m_shown.size());
    qsizetype prefix = 0;
    while (prefix < shortest && now[prefix] == m_shown[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shortest - prefix && now[now.size() - 1 - suffix] == m_shown[m_shown.size() - 1 - suffix])
        ++suffix;

    const qsizetype from = indexAt(m_notes, prefix);
    const qsizetype to = indexAt(m_notes, m_shown.size() - suffix);
    QString inserted = now.mid(prefix, now.size() - suffix - prefix);
    inserted.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    m_notes.replace(from, to - from, inserted);
    if (documentForm(m_notes) != now) {
        // The document changed the text in a way not foreseen here: keep what it shows.
        m_notes = now;
        m_notes.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    }
    m_shown = now;
    emit notesChanged();
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
