#pragma once

// FilterChip: a toggle in the shape of a capsule: symbol + title (subheadline, medium), padded
// 14 x 8. On: white on the accent colour; off: primary text on the tertiary fill. A press flips
// it with the standard spring; it reports the checked ("selected") state to accessibility.
//
//   auto *chip = new FilterChip(tr("Pet Safe"), "pawprint.fill", parent);
//   connect(chip, &FilterChip::toggled, this, [this](bool on) { m_petSafeOnly = on; refresh(); });
//   chip->setOn(true);   // programmatic, no animation, emits toggled when it changes
//   chip->isOn()
// The title is plain text (a room name such as "&Garden" shows as written, never as a mnemonic).

#include <QAbstractButton>

class QVariantAnimation;

class FilterChip final : public QAbstractButton
{
    Q_OBJECT
public:
    FilterChip(const QString &title, const QString &symbol, QWidget *parent = nullptr);

    bool isOn() const { return isChecked(); }
    void setOn(bool on);
    QString symbol() const { return m_symbol; }
    QString title() const { return m_title; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    QString m_title;
    QString m_symbol;
    qreal m_progress = 0; // 0 off, 1 on; between while the spring runs
    QVariantAnimation *m_animation;
};
