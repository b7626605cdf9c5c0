#include "Views/Components/InsetSection.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/SymbolLabel.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The rounded body of a section: paints its background and the hairlines between visible rows.
class SectionBody final : public QWidget
{
public:
    explicit SectionBody(QWidget *parent) : QWidget(parent) {}
    bool plain = false;

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (plain)
            return;
        const ListStyle &s = Theme::current().list;
        QPainter p(this);
        Painting::setHighQuality(p);
        p.fillPath(Shapes::continuousRoundedRect(QRectF(rect()), s.radius), s.rowBackground);
        QList<QWidget *> rows;
        for (QObject *child : children()) {
            auto *w = qobject_cast<QWidget *>(child);
            if (w && w->isVisible())
                rows.append(w);
        }
        std::sort(rows.begin(), rows.end(), [](QWidget *a, QWidget *b) { return a->y() < b->y(); });
        p.setRenderHint(QPainter::Antialiasing, false);
        for (qsizetype i = 0; i + 1 < rows.size(); ++i) {
            const auto *listRow = qobject_cast<ListRow *>(rows[i]);
            const int inset = listRow ? listRow->separatorInset() : s.separatorInset;
            const qreal y = rows[i]->geometry().bottom() + 0.5;
            p.setPen(QPen(s.separator, 1.0 / p.device()->devicePixelRatioF()));
            p.drawLine(QPointF(inset, y), QPointF(width(), y));
        }
    }
};

} // namespace

InsetSection::InsetSection(const QString &header, QWidget *parent) : QWidget(parent)
{
    const ListStyle &s = Theme::current().list;

    m_headerRow = new QWidget(this);
    m_header = new SymbolLabel({}, header, TextStyle::subheadline, m_headerRow);
    m_header->setTextStyle(TextStyle::subheadline, QFont::DemiBold);
    m_header->textLabel()->setFont(s.headerFont);
    m_header->setColor(&ThemeColors::secondaryLabel); // the list header colour
    m_header->symbolView()->hide();
    // Readers hear the title as a heading, and the row around it is only layout.
    Accessibility::setRole(m_header, QAccessible::Heading);
    Accessibility::setLeaf(m_header);
    Accessibility::setPresentational(m_headerRow);
    m_headerLayout = new QHBoxLayout(m_headerRow);
    m_headerLayout->setContentsMargins(s.rowPaddingH, 0, s.rowPaddingH - 6, 0);
    m_headerLayout->setSpacing(8);
    m_headerLayout->addWidget(m_header);
    m_headerLayout->addStretch(1);
    m_headerRow->setVisible(!header.isEmpty());

    auto *body = new SectionBody(this);
    m_body = body;
    m_rows = new QVBoxLayout(m_body);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);

    m_footer = new TextLabel({}, TextStyle::caption, this);
    m_footer->setFont(s.footerFont);
    m_footer->setTextColor(&ThemeColors::secondaryLabel); // the list footer colour
    m_footer->setWordWrap(true);
    m_footer->setContentsMargins(s.rowPaddingH, 0, s.rowPaddingH, 0);
    m_footer->hide();

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(s.headerSpacing);
    column->addWidget(m_headerRow);
    column->addWidget(m_body);
    column->addWidget(m_footer);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

QString InsetSection::header() const
{
    return m_header->text();
}

void InsetSection::setHeader(const QString &header)
{
    m_header->setText(header);
    m_headerRow->setVisible(!header.isEmpty() || m_headerLayout->count() > 2);
    if (Accessibility::role(m_body) && m_listName.isEmpty())
        m_body->setAccessibleName(header);
}

void InsetSection::setHeaderSymbol(const QString &symbol, const ThemeColor &color)
{
    m_header->setSymbol(symbol);
    m_header->symbolView()->setVisible(!symbol.isEmpty());
    m_header->setColor(color);
}

void InsetSection::setHeaderAccessory(QWidget *accessory)
{
    m_headerLayout->addWidget(accessory, 0, Qt::AlignVCenter);
    m_headerRow->show();
}

QString InsetSection::footer() const
{
    return m_footer->text();
}

void InsetSection::setFooter(const QString &footer)
{
    m_footer->setText(footer);
    m_footer->setVisible(!footer.isEmpty());
}

void InsetSection::setPlain(bool plain)
{
    m_plain = plain;
    static_cast<SectionBody *>(m_body)->plain = plain;
    m_rows->setSpacing(plain ? 10 : 0);
    m_body->update();
}

void InsetSection::setAccessibleList(bool list, const QString &name)
{
    m_listName = name;
    if (list) {
        Accessibility::setRole(m_body, QAccessible::List);
        m_body->setAccessibleName(name.isEmpty() ? header() : name);
    } else {
        Accessibility::clearRole(m_body);
        m_body->setAccessibleName(QString());
    }
}

void InsetSection::addRow(QWidget *row)
{
    insertRow(m_rows->count(), row);
}

void InsetSection::insertRow(int index, QWidget *row)
{
    m_rows->insertWidget(index, row);
    row->installEventFilter(this);
    refreshRows();
}

void InsetSection::removeRow(QWidget *row)
{
    if (m_rows->indexOf(row) < 0)
        return;
    m_rows->removeWidget(row);
    row->removeEventFilter(this);
    row->hide();
    row->deleteLater();
    refreshRows();
}

void InsetSection::clearRows()
{
    while (m_rows->count() > 0) {
        QLayoutItem *item = m_rows->takeAt(0);
        if (QWidget *w = item->widget()) {
            w->removeEventFilter(this);
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    refreshRows();
}

int InsetSection::rowCount() const
{
    return m_rows->count();
}

QWidget *InsetSection::row(int index) const
{
    QLayoutItem *item = m_rows->itemAt(index);
    return item ? item->widget() : nullptr;
}

bool InsetSection::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
        if (qobject_cast<QWidget *>(watched))
            refreshRows();
    }
    return QWidget::eventFilter(watched, event);
}

void InsetSection::refreshRows()
{
    // Only the first and last visible rows carry the section's rounded corners.
    QList<ListRow *> visible;
    for (int i = 0; i < m_rows->count(); ++i) {
        QWidget *w = row(i);
        if (auto *listRow = qobject_cast<ListRow *>(w)) {
            listRow->setRoundedCorners(0);
            if (!listRow->isHidden())
                visible.append(listRow);
        }
    }
    if (!m_plain && visible.size() == 1) {
        visible.first()->setRoundedCorners(Shapes::allCorners);
    } else if (!m_plain && visible.size() > 1) {
        visible.first()->setRoundedCorners(Shapes::topCorners);
        visible.last()->setRoundedCorners(Shapes::bottomCorners);
    }
    m_body->setVisible(m_rows->count() > 0);
    m_body->update();
}
