#pragma once

// SearchField: a rounded search box with a magnifier, a prompt and a clear button that shows
// while there is text. Escape clears it. The text is reported exactly as typed (no trimming).
//
//   auto *search = new SearchField(tr("Search plants"), parent);
//   connect(search, &SearchField::textChanged, this, [this](const QString &text) { ... });
//   search->setText(...); search->text(); search->clear(); search->lineEdit()

#include <QWidget>

class GlassButton;
class QLineEdit;
class SymbolView;

class SearchField final : public QWidget
{
    Q_OBJECT
public:
    explicit SearchField(const QString &placeholder, QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    void clear();
    QLineEdit *lineEdit() const { return m_edit; }
    GlassButton *clearButton() const { return m_clear; }

    QSize sizeHint() const override;

signals:
    void textChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SymbolView *m_icon;
    QLineEdit *m_edit;
    GlassButton *m_clear;
};
