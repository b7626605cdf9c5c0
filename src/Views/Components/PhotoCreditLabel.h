#pragma once

// PhotoCreditLabel: the attribution under a species photograph, "Photo: {author} · {license} ·
// Wikimedia Commons", a link to the photo's page when its address is a web address. Shows
// nothing and takes no space when the species has no credit or no photograph (a credit only
// ever sits under the picture it describes).

#include "Models/PhotoCredit.h"
#include "Models/Species.h"

#include <QLabel>
#include <QString>
#include <QUrl>

#include <optional>

class PhotoCreditLabel final : public QLabel
{
    Q_OBJECT

public:
    struct Line
    {
        QString text;
        QString accessibleName;
        std::optional<QUrl> link; // an http(s) address with a host, else plain text
    };
    // What to show for a credit, given whether its photograph is shown; none: show nothing.
    static std::optional<Line> lineFor(const std::optional<PhotoCredit> &credit, bool hasImage);

    explicit PhotoCreditLabel(const Species &species, QWidget *parent = nullptr);

    void setSpecies(const Species &species);
    // For tests and screenshots: a credit that is not in the catalog.
    void setCredit(const std::optional<PhotoCredit> &credit, bool hasImage);
    const std::optional<Line> &line() const { return m_line; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void openLink(const QString &address);
    void applyStyle();

    std::optional<PhotoCredit> m_credit;
    bool m_hasImage = false;
    std::optional<Line> m_line;
    bool m_hiddenForNoCredit = false;
};
