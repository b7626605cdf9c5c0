#include "Views/Components/PhotoCreditLabel.h"

#include "Views/Components/Theme.h"

#include <QDesktopServices>
#include <QEvent>

std::optional<PhotoCreditLabel::Line> PhotoCreditLabel::lineFor(const std::optional<PhotoCredit> &credit,
                                                                bool hasImage)
{
    if (!credit || !hasImage)
        return std::nullopt;
    const QChar dot(0x00B7);
    Line line;
    line.text = QStringLiteral("Photo: ") + credit->author + QLatin1Char(' ') + dot + QLatin1Char(' ') +
                credit->license + QLatin1Char(' ') + dot + QStringLiteral(" Wikimedia Commons");
    line.accessibleName = QStringLiteral("Photo by ") + credit->author + QStringLiteral(", ") +
                          credit->license + QStringLiteral(", from Wikimedia Commons");
    const QUrl url(credit->source.trimmed());
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http")) &&
        !url.host().isEmpty())
        line.link = url;
    return line;
}

PhotoCreditLabel::PhotoCreditLabel(const Species &species, QWidget *parent) : QLabel(parent)
{
    setWordWrap(true);
    setOpenExternalLinks(false);
    connect(this, &QLabel::linkActivated, this, &PhotoCreditLabel::openLink);
    applyStyle();
    setSpecies(species);
    // A switch between light and dark: the colours, and the link colour inside the markup.
    Theme::follow(this, [this] {
        applyStyle();
        setCredit(m_credit, m_hasImage);
    });
}

void PhotoCreditLabel::setSpecies(const Species &species)
{
    setCredit(species.photoCredit(), species.hasImage());
}

void PhotoCreditLabel::setCredit(const std::optional<PhotoCredit> &credit, bool hasImage)
{
    m_credit = credit;
    m_hasImage = hasImage;
    m_line = lineFor(credit, hasImage);
    if (!m_line) {
        clear();
        setAccessibleName(QString());
        setToolTip(QString());
        // Hidden widgets take no space in a layout.
        hide();
        m_hiddenForNoCredit = true;
        return;
    }
    if (m_line->link) {
        // Our own markup around the escaped credit; QUrl has percent-encoded the address.
        setTextFormat(Qt::RichText);
        setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        const QString color = palette().color(QPalette::WindowText).name(QColor::HexArgb);
        setText(QStringLiteral("<a href=\"%1\" style=\"color: %2; text-decoration: none;\">%3</a>")
                    .arg(QString::fromUtf8(m_line->link->toEncoded()).toHtmlEscaped(), color,
                         m_line->text.toHtmlEscaped()));
        setToolTip(m_line->link->toDisplayString());
    } else {
        setTextFormat(Qt::PlainText);
        setTextInteractionFlags(Qt::NoTextInteraction);
        setText(m_line->text);
        setToolTip(QString());
    }
    setAccessibleName(m_line->accessibleName);
    if (m_hiddenForNoCredit) {
        m_hiddenForNoCredit = false;
        // A label without a parent would become a window of its own; its owner shows it.
        if (parentWidget())
            show();
    }
}

void PhotoCreditLabel::openLink(const QString &)
{
    // Only the checked address opens, whatever the label's markup says.
    if (m_line && m_line->link)
        QDesktopServices::openUrl(*m_line->link);
}

void PhotoCreditLabel::applyStyle()
{
    const Theme &theme = Theme::current();
    const QFont font = theme.font(TextStyle::caption2);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, theme.colors.secondaryLabel);
    pal.setColor(QPalette::Link, theme.colors.secondaryLabel);
    setPalette(pal);
    // At most two lines.
    const QFontMetrics metrics(font);
    setMaximumHeight(2 * metrics.lineSpacing() + contentsMargins().top() + contentsMargins().bottom());
}

void PhotoCreditLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::ThemeChange) {
        applyStyle();
        setCredit(m_credit, m_hasImage); // the link colour is part of the markup
    }
}
