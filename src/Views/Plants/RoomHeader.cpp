#include "Views/Plants/RoomHeader.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/SectionHeaderStyle.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int countSpacing = 8;

class RoomHeaderAccessible final : public QAccessibleWidget
{
public:
    explicit RoomHeaderAccessible(RoomHeader *header) : QAccessibleWidget(header, QAccessible::Heading) {}

    RoomHeader *header() const { return static_cast<RoomHeader *>(widget()); }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return header()->room();
        if (t == QAccessible::Description)
            return header()->countDescription();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.offscreen = !Accessibility::isShowing(header());
        return state;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
};

QAccessibleInterface *headerFactory(const QString &, QObject *object)
{
    if (auto *header = qobject_cast<RoomHeader *>(object))
        return new RoomHeaderAccessible(header);
    return nullptr;
}

QFont countFont()
{
    return Theme::current().font(TextStyle::subheadline);
}

QFont titleFont()
{
    return Theme::current().font(TextStyle::title3, QFont::Bold);
}

} // namespace

RoomHeader::RoomHeader(QWidget *parent) : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(headerFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setObjectName(QStringLiteral("roomHeader"));
    m_title = sectionHeader(QString(), this);
    m_title->setElided(true);
    m_countLabel = new TextLabel(QString(), TextStyle::subheadline, this);
    m_countLabel->setTextColor(&ThemeColors::secondaryLabel);
}

void RoomHeader::setRoom(const QString &room, int count)
{
    if (room == m_room && count == m_count)
        return;
    const bool renamed = room != m_room;
    m_room = room;
    m_count = count;
    m_title->setText(room);
    m_countLabel->setText(QString::number(count));
    place();
    QAccessibleEvent event(this, renamed ? QAccessible::NameChanged : QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

QString RoomHeader::countDescription() const
{
    return m_count == 1 ? tr("1 plant") : tr("%1 plants").arg(m_count);
}

int RoomHeader::preferredHeight()
{
    const QFontMetrics title(titleFont());
    const QFontMetrics count(countFont());
    // Both baselines sit at the title's ascent.
    return std::max(title.height(), title.ascent() - count.ascent() + count.height());
}

QSize RoomHeader::sizeHint() const
{
    return {200, preferredHeight()};
}

void RoomHeader::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

void RoomHeader::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        place();
}

void RoomHeader::place()
{
    const QFontMetrics title(m_title->font());
    const QFontMetrics count(m_countLabel->font());
    const int countWidth = count.horizontalAdvance(m_countLabel->text()) + 2;
    const int titleWidth = std::max(0, width() - countWidth - countSpacing);
    const QRect titleRect(0, 0, titleWidth, title.height());
    const QRect countRect(width() - countWidth, title.ascent() - count.ascent(), countWidth, count.height());
    m_title->setGeometry(QStyle::visualRect(layoutDirection(), rect(), titleRect));
    m_countLabel->setGeometry(QStyle::visualRect(layoutDirection(), rect(), countRect));
}
