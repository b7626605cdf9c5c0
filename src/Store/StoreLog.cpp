#include "Store/StoreLog.h"

Q_LOGGING_CATEGORY(lcStore, "tendrel.store", QtWarningMsg)
