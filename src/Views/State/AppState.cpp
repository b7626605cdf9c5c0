#include "Views/State/AppState.h"

AppState::AppState(QObject *parent) : QObject(parent) {}

void AppState::setSelectedTab(AppTab tab)
{
    if (m_selectedTab == tab)
        return;
    m_selectedTab = tab;
    emit selectedTabChanged(tab);
}

void AppState::showTabStart(AppTab tab)
{
    emit tabStartRequested(tab);
    setSelectedTab(tab);
}

void AppState::setAddingPlant(bool adding)
{
    if (m_isAddingPlant == adding)
        return;
    m_isAddingPlant = adding;
    emit addingPlantChanged(adding);
}
