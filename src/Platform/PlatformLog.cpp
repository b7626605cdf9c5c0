#include "Platform/PlatformLog.h"

Q_LOGGING_CATEGORY(lcPlatform, "tendrel.platform", QtWarningMsg)
