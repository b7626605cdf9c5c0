#include "Views/Components/KitStyle.h"

#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QToolTip>

namespace {

// Without a compositor an X11 window has no see-through corners; a mask cuts them on any server.
bool cutsCornersWithMask()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

QPainterPath popupShape(const QRectF &rect, qreal radius)
{
    return Shapes::continuousRoundedRect(rect, radius);
}

void drawCard(QPainter *painter, const QRect &rect, qreal radius, const QColor &fill, const QColor &border)
{
    painter->save();
    Painting::setHighQuality(*painter);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = popupShape(r, radius);
    painter->fillPath(shape, fill);
    painter->setPen(QPen(border, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(shape);
    painter->restore();
}

bool isTooltip(const QWidget *widget)
{
    return widget && widget->inherits("QTipLabel");
}

// Stock widgets with a frame: the kit's own fields and buttons are frameless or custom-painted.
constexpr qreal fieldRadius = 8;

} // namespace

KitStyle::KitStyle(QStyle *base) : QProxyStyle(base) {}

void KitStyle::install()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()) ||
        qobject_cast<KitStyle *>(QApplication::style()))
        return;
    // Over the style the desktop gives: its platform theme's, else Fusion.
    QApplication::setStyle(new KitStyle);
    Theme::follow(qApp, [] { QToolTip::setPalette(Theme::current().palette()); });
}

bool KitStyle::isRoundedPopup(const QWidget *widget)
{
    return qobject_cast<const QMenu *>(widget) || isTooltip(widget);
}

void KitStyle::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    if (isRoundedPopup(widget) && !cutsCornersWithMask() && !widget->testAttribute(Qt::WA_WState_Created)) {
        widget->setAttribute(Qt::WA_TranslucentBackground);
        widget->setAttribute(Qt::WA_NoSystemBackground);
    }
}

int KitStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    const Theme &t = Theme::current();
    switch (metric) {
    case PM_MenuPanelWidth:
        return 1;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return t.menu.padding;
    case PM_ToolTipLabelFrameWidth:
        return t.tooltip.padding;
    default:
        break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int KitStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                        QStyleHintReturn *returnData) const
{
    switch (hint) {
    case SH_ComboBox_Popup:
        // A list below the field, at least as wide, instead of a menu laid over it.
        return 0;
    case SH_Menu_Mask:
    case SH_ToolTip_Mask:
        if (auto *mask = qstyleoption_cast<QStyleHintReturnMask *>(returnData); mask && option) {
            if (!cutsCornersWithMask())
                return 0;
            const qreal radius =
                hint == SH_Menu_Mask ? Theme::current().menu.radius : Theme::current().tooltip.radius;
            mask->region = QRegion(popupShape(QRectF(option->rect), radius).toFillPolygon().toPolygon());
            return 1;
        }
        return 0;
    default:
        break;
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QSize KitStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                 const QWidget *widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuItem) {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        if (item && item->menuItemType != QStyleOptionMenuItem::Separator) {
            const MenuStyle &s = Theme::current().menu;
            result += QSize(2 * s.itemPaddingH, 2 * s.itemPaddingV);
        }
    }
    return result;
}

void KitStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget) const
{
    const Theme &t = Theme::current();
    switch (element) {
    case PE_PanelMenu:
        if (qobject_cast<const QMenu *>(widget)) {
            drawCard(painter, option->rect, t.menu.radius, t.menu.background, t.menu.border);
            return;
        }
        break;
    case PE_FrameMenu:
        if (qobject_cast<const QMenu *>(widget))
            return; // drawn with the panel
        break;
    case PE_PanelTipLabel:
        drawCard(painter, option->rect, t.tooltip.radius, t.tooltip.background, t.tooltip.border);
        return;
    case PE_PanelLineEdit:
        if (const auto *panel = qstyleoption_cast<const QStyleOptionFrame *>(option);
            panel && panel->lineWidth > 0) {
            painter->save();
            Painting::setHighQuality(*painter);
            const bool focused = option->state & State_HasFocus;
            const qreal width = focused ? 2 : 1;
            const QRectF r = QRectF(option->rect).adjusted(width / 2, width / 2, -width / 2, -width / 2);
            const QPainterPath shape = popupShape(r, fieldRadius);
            painter->fillPath(shape, option->palette.base());
            painter->setPen(QPen(focused ? t.colors.focusRing : t.colors.controlOutline, width));
            painter->drawPath(shape);
            painter->restore();
            return;
        }
        break;
    case PE_PanelButtonCommand:
        if (const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
            button && !(button->features & QStyleOptionButton::Flat)) {
            painter->save();
            Painting::setHighQuality(*painter);
            const bool isDefault = button->features & QStyleOptionButton::DefaultButton;
            const bool focused = option->state & State_HasFocus;
            const qreal width = (isDefault || focused) ? 2 : 1;
            const QRectF r = QRectF(option->rect).adjusted(width / 2, width / 2, -width / 2, -width / 2);
            const QPainterPath shape = popupShape(r, fieldRadius);
            QColor fill = option->palette.button().color();
            if (option->state & (State_Sunken | State_On))
                fill = Theme::composite(t.colors.fill, fill);
            else if ((option->state & State_MouseOver) && (option->state & State_Enabled))
                fill = Theme::composite(t.colors.quaternaryFill, fill);
            painter->fillPath(shape, fill);
            const QColor edge = focused                           ? t.colors.focusRing
                                : isDefault                       ? t.textColor(ColorRole::accent)
                                : (option->state & State_Enabled) ? t.colors.controlOutline
                                                                  : t.colors.separator;
            painter->setPen(QPen(edge, width));
            painter->drawPath(shape);
            painter->restore();
            return;
        }
        break;
    case PE_FrameFocusRect:
        // Buttons and fields show focus on their own edge.
        if (qobject_cast<const QAbstractButton *>(widget))
            return;
        break;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void KitStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                           const QWidget *widget) const
{
    if (element == CE_MenuItem) {
        if (const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option)) {
            const MenuStyle &s = Theme::current().menu;
            QStyleOptionMenuItem plain = *item;
            const bool selected = (item->state & State_Selected) && (item->state & State_Enabled) &&
                                  item->menuItemType != QStyleOptionMenuItem::Separator;
            if (selected) {
                painter->save();
                Painting::setHighQuality(*painter);
                painter->fillPath(popupShape(QRectF(item->rect), s.itemRadius), s.selection);
                painter->restore();
            }
            // The stock item without its own highlight, its text inset by the item's padding.
            plain.state &= ~State_Selected;
            plain.rect = item->rect.adjusted(s.itemPaddingH, 0, -s.itemPaddingH, 0);
            QProxyStyle::drawControl(element, &plain, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}
