#include "Views/Today/TaskRow.h"

#include "Core/Formatting.h"
#include "Models/Plant.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/Painting.h"
#include "Views/Components/PlantThumbnail.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Spring.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Today/TodayList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int thumbnailSize = 48;
constexpr int buttonDiameter = 36;
constexpr int rowSpacing = 14;
constexpr int rowPaddingV = 10;
// A gesture that reports no end phase is over once the scrolling pauses this long.
constexpr int wheelPauseMsecs = 180;
constexpr int phasedWheelPauseMsecs = 600;

} // namespace

int TaskRow::fullSwipeDistance(int rowWidth)
{
    return qMax(actionWidth + 64, int(std::lround(rowWidth * 0.45)));
}

TaskRow::SwipeOutcome TaskRow::swipeOutcome(qreal offset, int rowWidth)
{
    if (!std::isfinite(offset) || offset < actionWidth / 2.0)
        return SwipeOutcome::close;
    if (offset >= fullSwipeDistance(rowWidth))
        return SwipeOutcome::complete;
    return SwipeOutcome::reveal;
}

QString TaskRow::doneLabel(CareKind kind, const QString &plantName)
{
    return tr("Mark %1 done for %2").arg(kind.title().toLower(), plantName);
}

TaskRow::TaskRow(const CareTask &task, QWidget *parent)
    : QWidget(parent), m_id(task.id()), m_offsetAnimation(new QVariantAnimation(this))
{
    const Theme &theme = Theme::current();
    const ThemeColor kindTint(task.kind.tint());
    setObjectName(QStringLiteral("taskRow"));
    setFocusPolicy(Qt::StrongFocus);
    // A list item whose Press does what Enter does on the row.
    Accessibility::setPressKey(this, Qt::Key_Return);

    m_content = new QWidget(this);
    auto *row = new QHBoxLayout(m_content);
    row->setContentsMargins(theme.list.rowPaddingH, rowPaddingV, theme.list.rowPaddingH - 2, rowPaddingV);
    row->setSpacing(rowSpacing);

    m_thumbnail = new PlantThumbnail(task.plant, thumbnailSize, m_content);
    row->addWidget(m_thumbnail, 0, Qt::AlignVCenter);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->setContentsMargins(0, 0, 0, 0);
    m_nameLabel = new TextLabel({}, TextStyle::headline, m_content);
    m_nameLabel->setElided(true);
    texts->addWidget(m_nameLabel);

    const QFont lineFont = theme.font(TextStyle::subheadline);
    auto *kindLine = new QHBoxLayout;
    kindLine->setSpacing(4);
    kindLine->setContentsMargins(0, 0, 0, 0);
    m_kindSymbol =
        new SymbolView(task.kind.symbol(), qRound(Symbols::sizeFor(lineFont) * 0.8), kindTint, m_content);
    m_kindLabel = new TextLabel(task.kind.title(), TextStyle::subheadline, m_content);
    m_kindLabel->setTextColor(kindTint.asText());
    auto *dot = new TextLabel(QStringLiteral("·"), TextStyle::subheadline, m_content);
    dot->setTextColor(&ThemeColors::tertiaryLabel);
    m_dueLabel = new TextLabel({}, TextStyle::subheadline, m_content);
    m_dueLabel->setElided(true);
    kindLine->addWidget(m_kindSymbol, 0, Qt::AlignVCenter);
    kindLine->addWidget(m_kindLabel);
    kindLine->addWidget(dot);
    kindLine->addWidget(m_dueLabel, 1);
    texts->addLayout(kindLine);

    m_siteLabel = new TextLabel({}, TextStyle::caption, m_content);
    m_siteLabel->setTextColor(&ThemeColors::secondaryLabel);
    m_siteLabel->setElided(true);
    m_siteLabel->hide();
    texts->addWidget(m_siteLabel);
    row->addLayout(texts, 1);

    m_button = GlassButton::circular(task.kind.symbol(), kindTint, buttonDiameter, QString(), m_content);
    m_button->setObjectName(QStringLiteral("taskDoneButton"));
    m_button->setToolTip(task.kind.pastTense());
    // The row is the keyboard stop: Tab goes from row to row, and Space or Enter on a row is this button.
    m_button->setFocusPolicy(Qt::NoFocus);
    row->addWidget(m_button, 0, Qt::AlignVCenter);
    connect(m_button, &QAbstractButton::clicked, this, &TaskRow::requestCompletion);
    // The row's name says all its texts; readers find only the button inside.
    Accessibility::setPresentational(m_content);
    const QList<QWidget *> repeated{m_thumbnail, m_nameLabel, m_kindSymbol, m_kindLabel,
                                    dot,         m_dueLabel,  m_siteLabel};
    for (QWidget *widget : repeated)
        Accessibility::setIgnored(widget);

    m_offsetAnimation->setEasingCurve(Spring::curve());
    m_offsetAnimation->setDuration(Spring::durationMs());
    connect(m_offsetAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setOffset(value.toReal()); });
    m_wheelPause.setSingleShot(true);
    connect(&m_wheelPause, &QTimer::timeout, this, [this] {
        m_wheelSwiping = false;
        settle();
    });

    setTask(task);
}

void TaskRow::setTask(const CareTask &task)
{
    m_plant = task.plant;
    m_name = task.plant ? task.plant->name() : QString();
    m_dueText = task.dueText();
    m_late = task.daysFromToday() < 0;
    const QString site = task.plant ? task.plant->site() : QString();

    // The list redraws every row on each change; only what differs is touched, so unchanged rows
    // cost no relayout or accessibility notice.
    if (m_nameLabel->text() != m_name)
        m_nameLabel->setText(m_name);
    if (m_dueLabel->text() != m_dueText)
        m_dueLabel->setText(m_dueText);
    if (m_shownLate != int(m_late)) {
        m_dueLabel->setTextColor(m_late ? ThemeColor::text(ColorRole::red)
                                        : ThemeColor(&ThemeColors::secondaryLabel));
        m_shownLate = int(m_late);
    }
    if (m_siteLabel->text() != site) {
        m_siteLabel->setText(site);
        m_siteLabel->setVisible(!site.isEmpty());
    }
    if (m_thumbnail->plant() != task.plant)
        m_thumbnail->setPlant(task.plant);

    // The button's text is only its accessible name, but Qt would still read a "&" in the plant's
    // name as a keyboard mnemonic.
    const QString label = doneLabel(m_id.kind, m_name);
    if (m_button->accessibleName() != label) {
        m_button->setText(Formatting::mnemonicEscaped(label));
        m_button->setAccessibleName(label);
    }
    // Accessible names are read out, not laid out: the plain name, no isolating marks.
    QStringList parts{m_name, m_id.kind.title(), m_dueText};
    if (!site.isEmpty())
        parts.append(site);
    const QString description = parts.join(QStringLiteral(", "));
    if (accessibleName() != description)
        setAccessibleName(description);
}

bool TaskRow::dropsInput()
{
    return m_completing || m_hold.absorb();
}

bool TaskRow::requestCompletion()
{
    if (dropsInput())
        return false;
    m_completing = true;
    emit completeRequested();
    return true;
}

void TaskRow::holdInput(int msecs, bool awaitKeyRelease)
{
    m_hold.start(msecs);
    if (awaitKeyRelease)
        m_awaitingKeyRelease = true;
}

void TaskRow::completionHandled(int holdMsecs)
{
    if (!m_completing)
        return;
    m_completing = false;
    m_hold.start(holdMsecs);
    m_pressed = false;
    m_dragging = false;
    m_wheelSwiping = false;
    m_wheelPause.stop();
    m_offsetAnimation->stop();
    setOffset(0);
}

void TaskRow::closeAction()
{
    m_wheelPause.stop();
    m_wheelSwiping = false;
    animateOffset(0);
}

QSize TaskRow::sizeHint() const
{
    return m_content->sizeHint();
}

QSize TaskRow::minimumSizeHint() const
{
    return {m_content->minimumSizeHint().width(), m_content->sizeHint().height()};
}

QColor TaskRow::tint() const
{
    return Theme::current().color(m_id.kind.tint());
}

void TaskRow::setOffset(qreal offset)
{
    m_offset = offset;
    placeContent();
    update();
}

void TaskRow::animateOffset(qreal offset)
{
    m_offsetAnimation->stop();
    if (!Spring::animationsEnabled() || !isVisible()) {
        setOffset(offset);
        return;
    }
    m_offsetAnimation->setStartValue(m_offset);
    m_offsetAnimation->setEndValue(offset);
    m_offsetAnimation->start();
}

void TaskRow::settle()
{
    switch (swipeOutcome(m_offset, width())) {
    case SwipeOutcome::complete:
        // A row held meanwhile closes again instead of completing.
        animateOffset(width());
        if (!requestCompletion())
            animateOffset(0);
        break;
    case SwipeOutcome::reveal:
        animateOffset(actionWidth);
        break;
    case SwipeOutcome::close:
        animateOffset(0);
        break;
    }
}

void TaskRow::placeContent()
{
    m_content->setGeometry(QRect(QPoint(int(std::lround(m_offset)), 0), size()));
}

void TaskRow::paintEvent(QPaintEvent *)
{
    const Theme &theme = Theme::current();
    QPainter p(this);
    Painting::setHighQuality(p);
    const unsigned corners = property(TodayList::cornersProperty).toUInt();
    const QPainterPath shape = Shapes::continuousRoundedRect(QRectF(rect()), theme.list.radius, corners);

    if (m_offset >= 0.5) {
        QPainterPath revealed;
        revealed.addRect(QRectF(0, 0, m_offset, height()));
        p.save();
        p.setClipPath(revealed);
        p.fillPath(shape, Theme::current().solidColor(m_id.kind.tint()));
        // The action sits at the leading edge and jumps to the row's edge once a full swipe is
        // reached, as the platform shows that letting go will complete it.
        const bool full = m_offset >= fullSwipeDistance(width());
        const QRectF box(full ? m_offset - actionWidth : 0, 0, actionWidth, height());
        const QFont font = theme.font(TextStyle::caption, QFont::DemiBold);
        const QFontMetrics metrics(font);
        const int icon = Symbols::sizeFor(theme.font(TextStyle::body));
        const qreal total = icon + 3 + metrics.height();
        const qreal top = box.center().y() - total / 2;
        Symbols::paint(p, QRectF(box.center().x() - icon / 2.0, top, icon, icon), QStringLiteral("checkmark"),
                       theme.colors.onAccent);
        p.setFont(font);
        p.setPen(theme.colors.onAccent);
        p.drawText(QRectF(box.left(), top + icon + 3, box.width(), metrics.height()), Qt::AlignCenter,
                   m_id.kind.pastTense());
        p.restore();
    }

    if (Painting::showsFocusRing(this)) {
        const QPainterPath ring = Shapes::continuousRoundedRect(
            QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), corners ? theme.list.radius - 1.5 : 4,
            corners ? corners : unsigned(Shapes::allCorners));
        Painting::drawFocusRing(p, ring, theme.colors.focusRing, 2);
    }
}

void TaskRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeContent();
}

void TaskRow::mousePressEvent(QMouseEvent *event)
{
    if (dropsInput()) {
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_offsetAnimation->stop();
    m_pressed = true;
    m_dragging = false;
    m_pressPos = event->position();
    m_pressOffset = m_offset;
    event->accept();
}

void TaskRow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF moved = event->position() - m_pressPos;
    if (!m_dragging) {
        const bool sideways = std::abs(moved.x()) > std::abs(moved.y());
        const bool towardsAction = moved.x() > 0 || m_pressOffset > 0;
        if (std::abs(moved.x()) < QApplication::startDragDistance() || !sideways || !towardsAction)
            return;
        m_dragging = true;
    }
    setOffset(std::clamp(m_pressOffset + moved.x(), 0.0, qreal(width())));
    event->accept();
}

void TaskRow::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressed || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    event->accept();
    if (m_dragging) {
        m_dragging = false;
        settle();
        return;
    }
    if (m_offset > 0) {
        // A click on the revealed action completes the task; a click elsewhere on the row hides it.
        if (event->position().x() < m_offset) {
            animateOffset(width());
            if (!requestCompletion())
                closeAction();
        } else {
            closeAction();
        }
        return;
    }
    if (rect().contains(event->position().toPoint()))
        emit activated();
}

void TaskRow::wheelEvent(QWheelEvent *event)
{
    if (m_completing || m_hold.isActive()) {
        event->ignore(); // the list may still scroll
        return;
    }
    if (event->phase() == Qt::ScrollEnd || event->phase() == Qt::ScrollMomentum) {
        // Momentum after the fingers lifted does not carry a swipe on; the end settles it.
        if (!m_wheelSwiping) {
            event->ignore();
            return;
        }
        if (event->phase() == Qt::ScrollEnd) {
            m_wheelPause.stop();
            m_wheelSwiping = false;
            settle();
        }
        event->accept();
        return;
    }
    QPointF delta = event->pixelDelta();
    if (delta.isNull())
        delta = QPointF(event->angleDelta()) / 3.0;
    if (!m_wheelSwiping) {
        // Vertical scrolling belongs to the list; a sideways one opens the action or closes it again.
        const bool sideways = std::abs(delta.x()) > std::abs(delta.y());
        if (!sideways || (delta.x() < 0 && m_offset <= 0)) {
            event->ignore();
            return;
        }
        m_offsetAnimation->stop();
        m_wheelSwiping = true;
    }
    // A positive horizontal delta moves content towards the trailing edge, as in any scroll view.
    setOffset(std::clamp(m_offset + delta.x(), 0.0, qreal(width())));
    m_wheelPause.start(event->phase() == Qt::NoScrollPhase ? wheelPauseMsecs : phasedWheelPauseMsecs);
    event->accept();
}

void TaskRow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space: {
        event->accept();
        // Only a fresh press completes: not the key repeating, whether the platform says so or
        // not (then it comes again at the very moment it went up, or without going up at all).
        const bool repeating = event->isAutoRepeat() || m_keyDown ||
                               (event->timestamp() != 0 && event->timestamp() == m_keyReleasedAt);
        if (repeating || m_awaitingKeyRelease) {
            m_awaitingKeyRelease = true;
            m_hold.absorb();
            return;
        }
        if (m_completing || m_hold.isActive()) {
            m_hold.absorb();
            return;
        }
        m_keyDown = true;
        requestCompletion();
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat() && !dropsInput())
            emit activated();
        event->accept();
        return;
    case Qt::Key_Escape:
        if (m_offset > 0) {
            closeAction();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void TaskRow::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat())
        return;
    m_keyDown = false;
    m_awaitingKeyRelease = false;
    m_keyReleasedAt = event->timestamp();
}

void TaskRow::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    // Keys went elsewhere meanwhile: what was down then says nothing now.
    m_keyDown = false;
    m_awaitingKeyRelease = false;
    update();
}

void TaskRow::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_keyDown = false;
    update();
}
