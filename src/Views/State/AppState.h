#pragma once

#include "Views/State/AppTab.h"

#include <QObject>

// The shared UI state: one instance for the whole run, handed to every screen of both windows and
// to the menu commands. Every change is announced so that all views showing it follow at once.
class AppState final : public QObject
{
    Q_OBJECT

public:
    explicit AppState(QObject *parent = nullptr);

    AppTab selectedTab() const { return m_selectedTab; }
    void setSelectedTab(AppTab tab);
    // Selects the tab at its first page, as going to a tab by name (Go menu) or choosing the tab
    // already shown does; a page deeper in it is left.
    void showTabStart(AppTab tab);

    bool isAddingPlant() const { return m_isAddingPlant; }
    void setAddingPlant(bool adding);

signals:
    void selectedTabChanged(AppTab tab);
    // Before the tab is selected, so its pages are gone before it shows.
    void tabStartRequested(AppTab tab);
    void addingPlantChanged(bool adding);

private:
    AppTab m_selectedTab = AppTab::today;
    bool m_isAddingPlant = false;
};
