#pragma once

#include <QTimer>
#include <QWidget>

// An indeterminate spinner (twelve fading spokes) on a dark translucent disc, so it reads over
// any photo or placeholder. Spins only while visible.
class BusyIndicator final : public QWidget
{
    Q_OBJECT

public:
    explicit BusyIndicator(int diameter, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int m_diameter;
    int m_step = 0;
    QTimer m_timer;
};
