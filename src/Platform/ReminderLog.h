#pragma once

#include <QLoggingCategory>

// Reminder planning, the notification centre client and the reminder agent log here.
Q_DECLARE_LOGGING_CATEGORY(lcReminders)
