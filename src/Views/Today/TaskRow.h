#pragma once

#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Views/Components/InputHold.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class GlassButton;
class PlantThumbnail;
class QVariantAnimation;
class SymbolView;
class TextLabel;

// One task on the Today screen: the plant's thumbnail, its name, the care kind with when it is
// due, the room, and a round button that marks the care done.
//
// Swiping the row towards the trailing edge (a horizontal two-finger scroll, or dragging it with
// the mouse) reveals the tinted "Watered" / "Fertilized" / "Misted" action. Letting go past the
// full-swipe point completes the task; letting go earlier leaves the action shown until it is
// clicked or the row is swiped back. The row takes keyboard focus; Space completes it, Enter
// (like a click) chooses the row.
//
// Once the row has asked for completion it takes no more clicks, swipes or keys until the list
// has handled it (completionHandled()), which also closes a swiped-open row: a task that stays
// listed comes back closed with its new due text, never as a bar that logs the care again, and
// takes no input until that new state has been seen. The row that takes the place or the focus of
// a completed one is held a moment too (holdInput()), so one press, click or Press is one task: a
// double click, a reader's second Press or a Space key held down never runs on down the list.
class TaskRow final : public QWidget
{
    Q_OBJECT

public:
    enum class SwipeOutcome : unsigned char { close, reveal, complete };

    static constexpr int actionWidth = 96;
    // How far the row must be swiped for a full swipe in a row of this width.
    static int fullSwipeDistance(int rowWidth);
    // What letting go of a swipe at offset does; pure.
    static SwipeOutcome swipeOutcome(qreal offset, int rowWidth);
    // "Mark water done for Fern".
    static QString doneLabel(CareKind kind, const QString &plantName);

    explicit TaskRow(const CareTask &task, QWidget *parent = nullptr);

    CareTask::ID taskId() const { return m_id; }
    CareKind kind() const { return m_id.kind; }
    Plant *plant() const { return m_plant; }
    QString plantName() const { return m_name; }
    QString dueText() const { return m_dueText; }
    bool isLate() const { return m_late; }
    // Shows the task as it is now (its due wording moves on with the days).
    void setTask(const CareTask &task);

    GlassButton *doneButton() const { return m_button; }
    qreal swipeOffset() const { return m_offset; }
    bool isActionShown() const { return m_offset > 0 && !m_dragging && !m_wheelSwiping; }
    // Hides a revealed action.
    void closeAction();
    // The list has logged (or dropped) the completion this row asked for: the row closes at once
    // and takes input again once holdMsecs have passed (while it moves to its new place and is seen
    // there).
    void completionHandled(int holdMsecs = InputHold::standardMsecs);
    // Takes no clicks, swipes or keys for msecs; input meanwhile starts the moment again. With
    // awaitKeyRelease the row got the focus from a row that the Space key completed: Space counts
    // again only once that key has been let go, however long it is held.
    void holdInput(int msecs = InputHold::standardMsecs, bool awaitKeyRelease = false);
    bool isHoldingInput() const { return m_hold.isActive(); }
    // The Space press that asked for this row's completion is still down.
    bool isCompletionKeyDown() const { return m_keyDown; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user asked for this task to be marked done (button, full swipe, action, keyboard).
    void completeRequested();
    // The row itself was chosen (a click that was not a swipe, or Enter).
    void activated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setOffset(qreal offset);
    void animateOffset(qreal offset);
    void settle();
    // False when the row drops it (see dropsInput()).
    bool requestCompletion();
    // True when the row drops input now (asked for completion, or held).
    bool dropsInput();
    void placeContent();
    QColor tint() const;

    CareTask::ID m_id;
    QPointer<Plant> m_plant;
    QString m_name;
    QString m_dueText;
    bool m_late = false;
    bool m_completing = false;
    InputHold m_hold;
    // Space: down since a press this row took; awaited up since the row took the focus from a row
    // it completed; when it last went up (a press at that same moment is the key repeating).
    bool m_keyDown = false;
    bool m_awaitingKeyRelease = false;
    quint64 m_keyReleasedAt = 0;
    int m_shownLate = -1; // the lateness the due text is coloured for; -1 before the first

    QWidget *m_content;
    PlantThumbnail *m_thumbnail;
    TextLabel *m_nameLabel;
    SymbolView *m_kindSymbol;
    TextLabel *m_kindLabel;
    TextLabel *m_dueLabel;
    TextLabel *m_siteLabel;
    GlassButton *m_button;

    qreal m_offset = 0;
    QVariantAnimation *m_offsetAnimation;
    // Mouse swipe: where the press was and the offset then.
    QPointF m_pressPos;
    qreal m_pressOffset = 0;
    bool m_pressed = false;
    bool m_dragging = false;
    // Scroll swipe: a gesture without an end phase ends when the scrolling pauses.
    bool m_wheelSwiping = false;
    QTimer m_wheelPause;
};
