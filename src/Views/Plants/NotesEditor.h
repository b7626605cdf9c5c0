#pragma once

#include <QPlainTextEdit>

// A borderless multi-line text field for a form row: shows its placeholder while empty, and grows
// with its text from minimumLines to maximumLines (wrapped lines count), scrolling beyond that.
// Tab moves focus on instead of typing a tab.
//
// notes() is the text exactly as it was given and typed: the text document underneath turns
// no-break spaces into spaces and every kind of line or paragraph break into "\n" when asked for
// plain text, so the editor keeps its own copy and applies each edit to it. What the user did
// not touch stays as it was; a line break typed or pasted becomes "\n".
//
//   editor->setNotes(plant->notes());
//   connect(editor, &NotesEditor::notesChanged, this, [=] { m_notes = editor->notes(); });
class NotesEditor final : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit NotesEditor(const QString &placeholder, QWidget *parent = nullptr);

    static constexpr int minimumLines = 3;
    static constexpr int maximumLines = 8;

    QString notes() const { return m_notes; }
    // Replaces the text (a no-op when it is already shown).
    void setNotes(const QString &notes);

    // Visual lines the text takes at the current width.
    int lineCount() const;
    // How many lines the field shows now: lineCount() kept within minimumLines...maximumLines.
    int visibleLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user changed the text.
    void notesChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int heightForLines(int lines) const;
    void fitHeight();
    void applyEdit();

    int m_lastHeight = 0;
    QString m_notes;
    // The document's text when m_notes was last brought up to date, blocks joined by U+2029.
    QString m_shown;
    bool m_settingNotes = false;
};
