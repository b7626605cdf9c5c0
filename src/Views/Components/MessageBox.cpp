#include "Views/Components/MessageBox.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <variant>

namespace {

std::optional<std::variant<int, QString>> &nextAnswer()
{
    static std::optional<std::variant<int, QString>> answer;
    return answer;
}

std::optional<MessageBox::Shown> &lastShownDialog()
{
    static std::optional<MessageBox::Shown> shown;
    return shown;
}

class DialogPanel final : public QDialog
{
public:
    explicit DialogPanel(QWidget *parent) : QDialog(parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Theme::current().colors.windowBackground);
    }
};

} // namespace

int MessageBox::confirm(QWidget *parent, const QString &title, const QString &message,
                        const QList<Button> &actions)
{
    QList<Button> buttons = actions;
    buttons.append({QObject::tr("Cancel"), Role::cancel});
    const int chosen = show(parent, title, message, buttons, int(buttons.size()) - 1, QAccessible::Dialog);
    return chosen >= int(actions.size()) ? -1 : chosen;
}

int MessageBox::alert(QWidget *parent, const QString &title, const QString &message,
                      const QList<Button> &buttons)
{
    const QList<Button> shown =
        buttons.isEmpty() ? QList<Button>{{QObject::tr("OK"), Role::cancel}} : buttons;
    int escape = -1;
    for (int i = 0; i < shown.size(); ++i) {
        if (shown[i].role == Role::cancel)
            escape = i;
    }
    return show(parent, title, message, shown, escape, QAccessible::AlertMessage);
}

int MessageBox::show(QWidget *parent, const QString &title, const QString &message,
                     const QList<Button> &buttons, int escapeIndex, QAccessible::Role role)
{
    Shown record{title, message, {}};
    for (const Button &b : buttons)
        record.buttons.append(b.title);
    lastShownDialog() = record;

    if (const auto answer = nextAnswer()) {
        nextAnswer().reset();
        if (const int *index = std::get_if<int>(&*answer))
            return (*index >= 0 && *index < buttons.size()) ? *index : escapeIndex;
        const QString wanted = std::get<QString>(*answer);
        for (int i = 0; i < buttons.size(); ++i) {
            if (buttons[i].title == wanted)
                return i;
        }
        return escapeIndex;
    }

    const Theme &t = Theme::current();
    DialogPanel dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setModal(true);
    dialog.setAccessibleName(title);
    dialog.setAccessibleDescription(message);
    Accessibility::setRole(&dialog, role);
    auto *column = new QVBoxLayout(&dialog);
    column->setContentsMargins(24, 22, 24, 20);
    column->setSpacing(8);
    auto *titleLabel = new TextLabel(title, TextStyle::headline, &dialog);
    titleLabel->setFont(t.font(TextStyle::title3, QFont::Bold));
    titleLabel->setWordWrap(true);
    column->addWidget(titleLabel);
    if (!message.isEmpty()) {
        auto *messageLabel = new TextLabel(message, TextStyle::body, &dialog);
        messageLabel->setTextColor(&ThemeColors::secondaryLabel);
        messageLabel->setWordWrap(true);
        column->addWidget(messageLabel);
    }
    column->addSpacing(12);
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    row->addStretch(1);
    int result = escapeIndex;
    // Cancel sits first (leading), the actions trail, the default action last, as on the desktop.
    QList<int> order;
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i].role == Role::cancel)
            order.append(i);
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i].role != Role::cancel)
            order.append(i);
    GlassButton *defaultButton = nullptr;
    for (int i : order) {
        const Button &b = buttons[i];
        const bool primary = b.role != Role::cancel || buttons.size() == 1;
        auto *button = new GlassButton(
            b.title, {}, primary ? GlassButton::Style::prominentGlass : GlassButton::Style::bordered,
            &dialog);
        button->setMinimumWidth(96);
        if (b.role == Role::destructive)
            button->setRole(GlassButton::Role::destructive);
        QObject::connect(button, &QAbstractButton::clicked, &dialog, [&dialog, &result, i] {
            result = i;
            dialog.accept();
        });
        row->addWidget(button);
        if (primary)
            defaultButton = button;
    }
    column->addLayout(row);
    dialog.setMinimumWidth(380);
    if (defaultButton && buttons.size() == 1)
        defaultButton->setFocus();
    else if (!order.isEmpty() && escapeIndex >= 0)
        row->itemAt(1)->widget()->setFocus(); // the safe choice gets the initial focus
    // Escape and the window's close button reject: the cancel choice.
    if (dialog.exec() != QDialog::Accepted)
        return escapeIndex;
    return result;
}

void MessageBox::setNextAnswer(int index)
{
    nextAnswer() = index;
}

void MessageBox::setNextAnswer(const QString &buttonTitle)
{
    nextAnswer() = buttonTitle;
}

void MessageBox::clearNextAnswer()
{
    nextAnswer().reset();
}

std::optional<MessageBox::Shown> MessageBox::lastShown()
{
    return lastShownDialog();
}

void MessageBox::clearLastShown()
{
    lastShownDialog().reset();
}
