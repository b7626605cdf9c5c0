#pragma once

#include <QtGlobal>

// Persistent identifier of a stored record (plant or care event). It is drawn at random when the
// record is created, so a record has its identity before it ever reaches a store, and the store
// keeps it unchanged across reopen. Never 0: 0 means "no record".
using RecordId = quint64;

RecordId newRecordId();
