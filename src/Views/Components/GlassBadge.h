#pragma once

// GlassBadge: a small translucent capsule with a symbol and/or text, untinted (frosted) or
// tinted with a colour: the plant card's watering badge, the room capsule on the plant photo,
// the round pet-safe badge on species cards. Not interactive.
//
//   auto *b = new GlassBadge(tr("Thirsty"), "drop.fill", parent);
//   b->setTint(theme.colors.red); b->setForeground(Qt::white);   // red glass, white content
//   b->setTint(std::nullopt);                                      // plain glass, primary text
//   auto *pet = new GlassBadge({}, "pawprint.fill", parent); pet->setCircular(true);
//   pet->setAccessibleName(tr("Pet safe"));
//   b->setPadding(10, 5); b->setTextStyle(TextStyle::caption, QFont::DemiBold);
//   Place it over a picture with Shapes::badgeRect(picture, b->sizeHint(), Qt::TopRightCorner, 10).

#include "Views/Components/Theme.h"

#include "Views/Components/ThemeColor.h"

#include <QWidget>

class QPainter;

#include <optional>

class GlassBadge final : public QWidget
{
    Q_OBJECT
public:
    explicit GlassBadge(const QString &text = {}, const QString &symbol = {}, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setSymbol(const QString &symbol);
    void setTint(const std::optional<ThemeColor> &tint);
    std::optional<QColor> tint() const;
    void setForeground(const std::optional<ThemeColor> &color); // default: white when tinted, else label
    QColor foreground() const;
    void setCircular(bool circular);
    void setPadding(int horizontal, int vertical);
    void setTextStyle(TextStyle style, QFont::Weight weight);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // A badge drawn without a widget (on a plant card): the same look for the same content.
    struct Content
    {
        QString text;
        QString symbol;
        std::optional<QColor> tint; // none: plain glass
        QColor foreground;
        QFont font;
        int paddingH = 0;
        int paddingV = 0;
        bool circular = false;
    };
    static QSize sizeFor(const Content &content);
    static void paint(QPainter &painter, const QRectF &rect, const Content &content);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Content content() const;

    QString m_text;
    QString m_symbol;
    std::optional<ThemeColor> m_tint;
    std::optional<ThemeColor> m_foreground;
    QFont m_font;
    int m_paddingH;
    int m_paddingV;
    bool m_circular = false;
};
