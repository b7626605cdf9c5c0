#pragma once

// ThemeColor: a colour as a component keeps it, so that it follows a live switch between light
// and dark: either a colour of the theme named by its meaning (resolved against Theme::current()
// each time it is used), or a fixed colour that means the same in both appearances (white on an
// accent fill).
//
//   symbol->setColor(&ThemeColors::secondaryLabel);   // follows the appearance
//   symbol->setColor(ColorRole::blue);                 // the same, by a care kind's or species' role
//   symbol->setColor(Qt::white);                       // fixed
//   label->setTextColor(ThemeColor::text(ColorRole::orange));   // a role's shade for text
//   tint.asText(), tint.asSolid()                      // a role's text or solid shade; others as they are
//   painter.setPen(m_color.resolve());

#include "Views/Components/Theme.h"

#include <QColor>

class ThemeColor final
{
public:
    ThemeColor() = default;
    ThemeColor(const QColor &fixed) : m_fixed(fixed) {}
    ThemeColor(Qt::GlobalColor fixed) : m_fixed(fixed) {}
    ThemeColor(QColor ThemeColors::*member) : m_member(member) {}
    ThemeColor(ColorRole role) : m_role(role), m_hasRole(true) {}

    static ThemeColor text(ColorRole role) { return ThemeColor(role).asText(); }
    // For a role, its shade that carries text (Theme::textColor); any other colour as it is.
    ThemeColor asText() const
    {
        ThemeColor c = *this;
        c.m_shade = Shade::text;
        return c;
    }
    // For a role, its shade as a fill under onAccent content (Theme::solidColor); others as they are.
    ThemeColor asSolid() const
    {
        ThemeColor c = *this;
        c.m_shade = Shade::solid;
        return c;
    }

    // The colour at alpha times its own (a theme colour keeps following).
    ThemeColor withAlpha(qreal alpha) const
    {
        ThemeColor c = *this;
        c.m_alpha *= alpha;
        return c;
    }

    QColor resolve(const Theme &theme) const
    {
        QColor c = m_member ? theme.colors.*m_member : m_hasRole ? roleColor(theme) : m_fixed;
        if (m_alpha != 1.0)
            c.setAlphaF(float(c.alphaF() * m_alpha));
        return c;
    }
    QColor resolve() const { return resolve(Theme::current()); }

    bool followsTheme() const { return m_member || m_hasRole; }
    bool isValid() const { return followsTheme() || m_fixed.isValid(); }

private:
    enum class Shade : unsigned char { plain, text, solid };

    QColor roleColor(const Theme &theme) const
    {
        switch (m_shade) {
        case Shade::text:
            return theme.textColor(m_role);
        case Shade::solid:
            return theme.solidColor(m_role);
        case Shade::plain:
            break;
        }
        return theme.color(m_role);
    }

    QColor m_fixed;
    QColor ThemeColors::*m_member = nullptr;
    ColorRole m_role = ColorRole::accent;
    bool m_hasRole = false;
    Shade m_shade = Shade::plain;
    qreal m_alpha = 1.0;
};
