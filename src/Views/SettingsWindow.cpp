#include "Views/SettingsWindow.h"

#include "Views/Settings/SettingsView.h"

#include <QKeySequence>
#include <QShortcut>
#include <QVBoxLayout>

SettingsWindow::SettingsWindow(ModelStore &store, AppState &state, Preferences &preferences, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    Q_UNUSED(state);
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(480, 520);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new SettingsView(store, preferences, this));
    for (const QKeySequence &keys : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
}
