#pragma once

#include <QLocale>
#include <QStringView>

// Localized containment, the one text search every list uses: a substring test that ignores case
// and diacritics, follows the locale's collation (so "cafe" finds "Café", while in Swedish "a"
// does not find "å") and takes the search text exactly as typed.
class TextSearch final
{
public:
    TextSearch() = delete;

    // True when needle occurs in haystack. An empty needle, or one made only of characters that
    // compare as nothing (lone combining marks, format characters), matches everything.
    // Safe from any thread; each thread keeps its own collators.
    static bool localizedContains(QStringView haystack, QStringView needle,
                                  const QLocale &locale = QLocale());
};
