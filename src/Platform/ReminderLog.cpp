#include "Platform/ReminderLog.h"

Q_LOGGING_CATEGORY(lcReminders, "tendrel.reminders", QtWarningMsg)
