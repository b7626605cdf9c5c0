#include "Models/RecordId.h"

#include <QRandomGenerator>

RecordId newRecordId()
{
    // 63 bits so the value also fits SQLite's signed INTEGER; the chance of two records of one
    // garden colliding is negligible at this width.
    for (;;) {
        const RecordId id = QRandomGenerator::system()->generate64() & 0x7fff'ffff'ffff'ffffULL;
        if (id != 0)
            return id;
    }
}
