#pragma once

#include <QLoggingCategory>

// The desktop's services (portal settings, the portal's file chooser) log here; off unless
// QT_LOGGING_RULES turns "tendrel.platform" on.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
