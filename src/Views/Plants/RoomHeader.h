#pragma once

// RoomHeader: the title of one room's group on the My Plants screen: the room name in the
// section header style, taking the width (elided when too long), and the number of its plants
// shown, on the same baseline at the trailing end. For assistive technology it is a heading
// named by the room, with the count as its description.
//
//   auto *header = new RoomHeader(grid);
//   header->setRoom(plant->site(), 3);          // "Kitchen" ... "3"

#include <QWidget>

class TextLabel;

class RoomHeader final : public QWidget
{
    Q_OBJECT

public:
    explicit RoomHeader(QWidget *parent = nullptr);

    QString room() const { return m_room; }
    int count() const { return m_count; }
    void setRoom(const QString &room, int count);
    // "1 plant", "3 plants".
    QString countDescription() const;

    TextLabel *titleLabel() const { return m_title; }
    TextLabel *countLabel() const { return m_countLabel; }

    // The height both lines need, baselines aligned.
    static int preferredHeight();
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void place();

    QString m_room;
    int m_count = -1;
    TextLabel *m_title;
    TextLabel *m_countLabel;
};
