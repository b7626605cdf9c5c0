#include "Views/Components/InputHold.h"

#include <algorithm>

void InputHold::start(int msecs)
{
    if (!isActive() || m_until.remainingTime() < msecs)
        m_until = QDeadlineTimer(std::max(0, msecs), Qt::PreciseTimer);
}

void InputHold::clear()
{
    m_until = QDeadlineTimer();
}

bool InputHold::isActive() const
{
    return !m_until.hasExpired();
}

bool InputHold::absorb()
{
    if (!isActive())
        return false;
    start(standardMsecs);
    return true;
}
