#include "Views/Components/SearchField.h"

#include "Views/Components/GlassButton.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/TextFieldPalette.h"
#include "Views/Components/Theme.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

SearchField::SearchField(const QString &placeholder, QWidget *parent) : QWidget(parent)
{
    const Theme &t = Theme::current();
    const SearchFieldStyle &s = t.searchField;
    m_icon = new SymbolView(QStringLiteral("magnifyingglass"), 15, &ThemeColors::secondaryLabel, this);
    m_edit = new QLineEdit(this);
    m_edit->setFrame(false);
    m_edit->setPlaceholderText(placeholder);
    m_edit->setFont(s.font);
    m_edit->setAccessibleName(placeholder);
    m_edit->setClearButtonEnabled(false);
    TextFieldPalette::apply(m_edit);
    m_edit->installEventFilter(this);

    m_clear = GlassButton::circular(QStringLiteral("xmark.circle.fill"),
                                    ThemeColor(&ThemeColors::tertiaryLabel), 22, tr("Clear search"), this);
    m_clear->setButtonStyle(GlassButton::Style::borderless);
    m_clear->setFocusPolicy(Qt::NoFocus);
    m_clear->hide();

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 5, 0);
    row->setSpacing(6);
    row->addWidget(m_icon);
    row->addWidget(m_edit, 1);
    row->addWidget(m_clear);
    setFixedHeight(s.height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // One Tab stop with the editor inside it, as Qt's spin boxes are: the field moves through the
    // Tab chain as a whole (QWidget::setTabOrder(before, field)), never leaving itself behind as a
    // second stop.
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_edit);
    setCursor(Qt::IBeamCursor);

    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_clear->setVisible(!text.isEmpty());
        emit textChanged(text);
    });
    connect(m_clear, &QAbstractButton::clicked, this, &SearchField::clear);
}

QString SearchField::text() const
{
    return m_edit->text();
}

void SearchField::setText(const QString &text)
{
    m_edit->setText(text);
}

void SearchField::clear()
{
    m_edit->clear();
    m_edit->setFocus();
}

QSize SearchField::sizeHint() const
{
    return {240, Theme::current().searchField.height};
}

void SearchField::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    const SearchFieldStyle &s = t.searchField;
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const QPainterPath shape = Shapes::continuousRoundedRect(r, s.radius);
    const bool focused = m_edit->hasFocus();
    p.fillPath(shape, focused ? s.focusBackground : s.background);
    if (focused)
        Painting::drawFocusRing(p, shape, t.colors.focusRing, 2.5);
}

bool SearchField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            update();
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
            !m_edit->text().isEmpty()) {
            m_edit->clear();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
