#include "Core/TextSearch.h"

#include "Core/Formatting.h"

#include <QString>

#include <unicode/ucol.h>
#include <unicode/usearch.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

// One locale's primary-strength collator and the search object last used with it. The search
// object keeps pointers to its pattern and text rather than copies: the pattern lives in
// m_searchPattern, and the text is set afresh before every search.
class Searcher final
{
public:
    explicit Searcher(QByteArray localeId) : m_localeId(std::move(localeId))
    {
        UErrorCode status = U_ZERO_ERROR;
        m_collator = ucol_open(m_localeId.constData(), &status);
        if (U_FAILURE(status)) {
            if (m_collator)
                ucol_close(m_collator);
            m_collator = nullptr;
            return;
        }
        // Primary strength: base letters only, so case, accents and width never count.
        ucol_setStrength(m_collator, UCOL_PRIMARY);
        ucol_setAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    }
    ~Searcher()
    {
        if (m_search)
            usearch_close(m_search);
        if (m_collator)
            ucol_close(m_collator);
    }
    Searcher(const Searcher &) = delete;
    Searcher &operator=(const Searcher &) = delete;

    const QByteArray &localeId() const { return m_localeId; }
    bool isValid() const { return m_collator != nullptr; }

    // Whether needle compares equal to the empty text, that is, holds nothing to look for.
    bool isIgnorable(QStringView needle)
    {
        if (needle != m_checkedNeedle) {
            m_checkedNeedle = needle.toString();
            m_checkedIgnorable =
                ucol_strcoll(m_collator, needle.utf16(), int32_t(needle.size()), u"", 0) == UCOL_EQUAL;
        }
        return m_checkedIgnorable;
    }

    // The position of the first match, USEARCH_DONE for none, or nullopt when ICU failed.
    std::optional<int32_t> find(QStringView haystack, QStringView needle)
    {
        UErrorCode status = U_ZERO_ERROR;
        if (!m_search) {
            m_searchPattern = needle.toString();
            m_search = usearch_openFromCollator(QStringView(m_searchPattern).utf16(),
                                                int32_t(m_searchPattern.size()), haystack.utf16(),
                                                int32_t(haystack.size()), m_collator, nullptr, &status);
            if (U_FAILURE(status)) {
                if (m_search)
                    usearch_close(m_search);
                m_search = nullptr;
                return std::nullopt;
            }
        } else {
            usearch_setText(m_search, haystack.utf16(), int32_t(haystack.size()), &status);
            if (U_SUCCESS(status) && needle != m_searchPattern) {
                // Keep the old pattern alive until the search object has let go of it.
                const QString previous = std::exchange(m_searchPattern, needle.toString());
                usearch_setPattern(m_search, QStringView(m_searchPattern).utf16(),
                                   int32_t(m_searchPattern.size()), &status);
            }
            if (U_FAILURE(status)) {
                usearch_close(m_search);
                m_search = nullptr;
                m_searchPattern.clear();
                return std::nullopt;
            }
        }
        const int32_t position = usearch_first(m_search, &status);
        if (U_FAILURE(status))
            return std::nullopt;
        return position;
    }

private:
    QByteArray m_localeId;
    UCollator *m_collator = nullptr;
    UStringSearch *m_search = nullptr;
    QString m_searchPattern;
    QString m_checkedNeedle;
    bool m_checkedIgnorable = false;
};

Searcher &searcherFor(const QLocale &locale)
{
    // Per thread, a few locales at most: in practice one, the user's.
    thread_local std::vector<std::unique_ptr<Searcher>> searchers;
    // The C locale's ICU counterpart (en_US_POSIX) collates by code point, case included; search
    // there with the root collation, which still ignores case and diacritics.
    const QByteArray id = locale.language() == QLocale::C ? QByteArray() : Formatting::icuLocaleId(locale);
    for (const auto &searcher : searchers) {
        if (searcher->localeId() == id)
            return *searcher;
    }
    if (searchers.size() >= 4)
        searchers.erase(searchers.begin());
    searchers.push_back(std::make_unique<Searcher>(id));
    return *searchers.back();
}

// Case folded and stripped of combining marks after compatibility decomposition.
QList<uint> folded(QStringView text)
{
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD).toCaseFolded();
    QList<uint> result;
    result.reserve(decomposed.size());
    for (const uint c : decomposed.toUcs4()) {
        if (!QChar::isMark(char32_t(c)) && QChar::category(char32_t(c)) != QChar::Other_Format)
            result.append(c);
    }
    return result;
}

// Used only when ICU cannot serve the locale or the text: the same rule without the locale's
// tailoring, so a search still finds what it plainly should.
bool fallbackContains(QStringView haystack, QStringView needle)
{
    const QList<uint> n = folded(needle);
    if (n.isEmpty())
        return true;
    const QList<uint> h = folded(haystack);
    return std::search(h.cbegin(), h.cend(), n.cbegin(), n.cend()) != h.cend();
}

} // namespace

bool TextSearch::localizedContains(QStringView haystack, QStringView needle, const QLocale &locale)
{
    if (needle.isEmpty())
        return true;
    constexpr qsizetype maxLength = std::numeric_limits<int32_t>::max();
    if (haystack.size() > maxLength || needle.size() > maxLength)
        return fallbackContains(haystack, needle);

    Searcher &searcher = searcherFor(locale);
    if (!searcher.isValid())
        return fallbackContains(haystack, needle);
    if (searcher.isIgnorable(needle))
        return true;
    // ICU refuses an empty text; nothing that is not ignorable occurs in it.
    if (haystack.isEmpty())
        return false;
    const std::optional<int32_t> position = searcher.find(haystack, needle);
    if (!position)
        return fallbackContains(haystack, needle);
    return *position != USEARCH_DONE;
}
