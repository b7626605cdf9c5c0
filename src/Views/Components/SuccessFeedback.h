#pragma once

// SuccessFeedback: the subtle cue after care is logged (desktops have no haptics): a check mark
// in a soft accent disc that pops in over the given widget's window and fades away (~0.7 s). It
// never takes focus or clicks.
//
//   SuccessFeedback::play(this);       // each time the completion count changes
//   SuccessFeedback::playCount()       // how often it played (tests)

#include <QWidget>

class QVariantAnimation;

class SuccessFeedback final : public QWidget
{
    Q_OBJECT
public:
    static void play(QWidget *anchor);
    static int playCount();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    explicit SuccessFeedback(QWidget *window);

    qreal m_progress = 0;
    QVariantAnimation *m_animation;
};
