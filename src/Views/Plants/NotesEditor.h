#pragma once

#include <QPlainTextEdit>

// A borderless multi-line text field for a form row: shows its placeholder while empty, and grows
// with its text from minimumLines to maximumLines (wrapped lines count), scrolling beyond that.
// Tab moves focus on instead of typing a tab.
class NotesEditor final : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit NotesEditor(const QString &placeholder, QWidget *parent = nullptr);

    static constexpr int minimumLines = 3;
    static constexpr int maximumLines = 8;

    // Visual lines the text takes at the current width.
    int lineCount() const;
    // How many lines the field shows now: lineCount() kept within minimumLines...maximumLines.
    int visibleLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int heightForLines(int lines) const;
    void fitHeight();

    int m_lastHeight = 0;
};
