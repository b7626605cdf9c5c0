#include "Views/AboutWindow.h"

#include "Models/Species.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/PhotoCreditLabel.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int iconSide = 96;
constexpr int windowWidth = 440;
constexpr int minimumSide = 360;
constexpr qreal largestShareOfScreen = 0.85;

} // namespace

AboutWindow::AboutWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(tr("About Tendrel"));
    setAccessibleName(tr("About Tendrel"));
    setMinimumSize(minimumSide, minimumSide);

    auto *page = m_page = new ScrollColumn(this);
    page->setBackground(&ThemeColors::groupedBackground);
    page->setSpacing(18);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);

    auto *icon = new QLabel(page);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setAlignment(Qt::AlignHCenter);
    icon->setPixmap(QIcon(QStringLiteral(":/app/app.tendrel.Tendrel.svg"))
                        .pixmap(QSize(iconSide, iconSide), devicePixelRatioF()));
    icon->setAccessibleName(tr("Tendrel icon"));
    page->addWidget(icon);

    auto *name = new TextLabel(QStringLiteral("Tendrel"), TextStyle::largeTitle, page);
    name->setAlignment(Qt::AlignHCenter);
    auto *version = new TextLabel(tr("Version %1").arg(QCoreApplication::applicationVersion()),
                                  TextStyle::subheadline, page);
    version->setObjectName(QStringLiteral("aboutVersion"));
    version->setAlignment(Qt::AlignHCenter);
    version->setColorRole(ColorRole::secondary);
    auto *summary = new TextLabel(tr("Care schedules and daily reminders for your houseplants. "
                                     "All data stays on your computer."),
                                  TextStyle::body, page);
    summary->setAlignment(Qt::AlignHCenter);
    summary->setWordWrap(true);
    auto *heading = new QWidget(page);
    auto *headingColumn = new QVBoxLayout(heading);
    headingColumn->setContentsMargins(0, 0, 0, 0);
    headingColumn->setSpacing(4);
    headingColumn->addWidget(name);
    headingColumn->addWidget(version);
    headingColumn->addSpacing(6);
    headingColumn->addWidget(summary);
    page->addWidget(heading);

    auto *project = new InsetSection;
    auto *website = new ListRow(tr("Website"));
    website->setObjectName(QStringLiteral("aboutWebsite"));
    website->setTitleColor(ThemeColor::text(ColorRole::accent));
    website->setValueText(websiteUrl().host());
    website->setActivatable(true);
    connect(website, &ListRow::activated, this, [] { QDesktopServices::openUrl(websiteUrl()); });
    auto *licence = new ListRow(tr("Licence"));
    licence->setObjectName(QStringLiteral("aboutLicence"));
    licence->setValueText(licenceText());
    project->addRow(website);
    project->addRow(licence);
    page->addWidget(project);

    auto *credits = new InsetSection(tr("Credits"));
    credits->setObjectName(QStringLiteral("aboutCredits"));
    auto *icons = new ListRow(tr("Symbols"));
    icons->setSubtitle(tr("Phosphor Icons, \u00a9 2023 Phosphor Icons, MIT License"));
    credits->addRow(icons);
    int photographs = 0;
    for (const Species &species : Species::catalog()) {
        if (!species.hasImage() || !PhotoCreditLabel::lineFor(species.photoCredit(), true))
            continue;
        auto *row = new ListRow(species.commonName);
        row->setObjectName(QStringLiteral("aboutPhotoCredit"));
        auto *credit = new PhotoCreditLabel(species, row);
        row->addTrailing(credit);
        credits->addRow(row);
        ++photographs;
    }
    if (photographs > 0)
        credits->setFooter(tr("Each species photograph is shown under its author's licence."));
    page->addWidget(credits);

    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)}) {
        auto *close = new QShortcut(key, this);
        connect(close, &QShortcut::activated, this, &QWidget::close);
    }
}

QSize AboutWindow::sizeHint() const
{
    QSize size = m_page->contentSize(windowWidth).expandedTo(QSize(minimumSide, minimumSide));
    if (const QScreen *screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size() * largestShareOfScreen);
    return size;
}

void AboutWindow::showEvent(QShowEvent *event)
{
    // Fitted when first shown, once fonts and styles are in place; a size the user gives it stays.
    if (!m_fitted) {
        m_fitted = true;
        resize(sizeHint());
    }
    QWidget::showEvent(event);
}

QUrl AboutWindow::websiteUrl()
{
    return QUrl(QStringLiteral("https://tendrel.app"));
}

QString AboutWindow::licenceText()
{
    return tr("Proprietary \u00b7 \u00a9 Tendrel developers");
}
