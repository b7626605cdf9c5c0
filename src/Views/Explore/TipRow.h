#pragma once

// TipRow: one numbered care tip: the number (caption, bold, accent) in a small accent circle,
// then the tip text, wrapping, with the number on the text's first baseline.
//
//   for (int i = 0; i < species.tips.size(); ++i)
//       column->addWidget(new TipRow(i + 1, species.tips[i]));

#include <QWidget>

class TextLabel;

class TipRow final : public QWidget
{
    Q_OBJECT
public:
    struct Style
    {
        int circle = 22;        // the number's circle, across
        int spacing = 12;       // from the circle to the text
        qreal fillAlpha = 0.15; // the circle is the accent colour at this opacity
    };
    static const Style &style();

    TipRow(int number, const QString &text, QWidget *parent = nullptr);

    int number() const { return m_number; }
    QString text() const;
    TextLabel *textLabel() const { return m_text; }
    // Where the circle and the text start, from the top, so that their first baselines meet.
    int circleTop() const;
    int textTop() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QFont numberFont() const;
    int numberBaseline() const; // within the circle
    int textWidth(int width) const;

    int m_number;
    TextLabel *m_text;
};
