#pragma once

// InsetSection: one section of an inset list or grouped form: an optional header (text, or a
// symbol label, with an optional trailing accessory such as a "Complete All" button), rows on a
// rounded background separated by hairlines, and an optional footer.
//
//   auto *overdue = new InsetSection(tr("Overdue"));
//   overdue->setHeaderSymbol("exclamationmark.circle.fill", ColorRole::red); // header in red
//   auto *today = new InsetSection(tr("Today"));
//   today->setHeaderAccessory(completeAllButton);        // right-aligned in the header line
//   today->addRow(row); today->insertRow(0, row); today->removeRow(row) /* deletes it */;
//   today->clearRows(); today->rowCount(); today->row(i);
//   section->setFooter(tr("One summary notification …"));
//   summary->setPlain(true);    // no background or separators (a card row on a clear background)
//   Rows are any widgets; ListRow rows get rounded hover corners and their own separator inset.
//   The title is a heading for screen readers. species->setAccessibleList(true): the rows are
//   the items of a list (species, plants), not the fields of a form; the list is named after the
//   header, or setAccessibleList(true, tr("Any Plant")) where there is none.

#include "Views/Components/ThemeColor.h"

#include <QColor>
#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;
class SymbolLabel;
class TextLabel;

class InsetSection final : public QWidget
{
    Q_OBJECT
public:
    explicit InsetSection(const QString &header = {}, QWidget *parent = nullptr);

    QString header() const;
    void setHeader(const QString &header);
    void setHeaderSymbol(const QString &symbol, const ThemeColor &color);
    void setHeaderAccessory(QWidget *accessory);
    QString footer() const;
    void setFooter(const QString &footer);
    void setPlain(bool plain);
    // The list is named name, else after the header.
    void setAccessibleList(bool list, const QString &name = {});

    void addRow(QWidget *row);
    void insertRow(int index, QWidget *row);
    void removeRow(QWidget *row);
    void clearRows();
    int rowCount() const;
    QWidget *row(int index) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshRows();

    QWidget *m_headerRow;
    SymbolLabel *m_header;
    QHBoxLayout *m_headerLayout;
    QWidget *m_body;
    QVBoxLayout *m_rows;
    TextLabel *m_footer;
    bool m_plain = false;
    QString m_listName;
};
