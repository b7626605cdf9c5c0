#include "Core/Formatting.h"

#include <unicode/dtptngen.h>
#include <unicode/numberformatter.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/uloc.h>

#include <QHash>

#include <memory>
#include <optional>

namespace {

constexpr int minutesPerDay = 24 * 60;
constexpr int maxCachedFormatters = 32;

icu::UnicodeString toIcu(QStringView text)
{
    return icu::UnicodeString(text.utf16(), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString &text)
{
    return QString::fromUtf16(text.getBuffer(), text.length());
}

// ICU knows the IANA zones; a zone it does not know (a fixed offset such as "UTC+01:00") becomes
// a fixed-offset zone with the offset Qt reports at instant.
std::unique_ptr<icu::TimeZone> toIcuZone(const QTimeZone &zone, const QDateTime &instant)
{
    const QTimeZone valid = zone.isValid() ? zone : QTimeZone::utc();
    const QByteArray id = valid.id();
    std::unique_ptr<icu::TimeZone> icuZone(icu::TimeZone::createTimeZone(
        icu::UnicodeString::fromUTF8(icu::StringPiece(id.constData(), int32_t(id.size())))));
    if (icuZone && *icuZone != icu::TimeZone::getUnknown())
        return icuZone;
    return std::make_unique<icu::SimpleTimeZone>(valid.offsetFromUtc(instant) * 1000,
                                                 icu::UnicodeString::fromUTF8(id.constData()));
}

// Formatters are costly to build (the pattern generator loads the locale's whole date data), so
// each thread keeps the ones it has used, keyed by locale and pattern source.
template<typename T> class FormatterCache final
{
public:
    T *find(const QByteArray &key) const
    {
        const auto it = m_entries.constFind(key);
        return it == m_entries.cend() ? nullptr : it->get();
    }
    T *insert(const QByteArray &key, std::unique_ptr<T> formatter)
    {
        if (m_entries.size() >= maxCachedFormatters)
            m_entries.clear();
        T *raw = formatter.get();
        m_entries.insert(key, std::shared_ptr<T>(std::move(formatter)));
        return raw;
    }

private:
    QHash<QByteArray, std::shared_ptr<T>> m_entries;
};

icu::SimpleDateFormat *skeletonFormat(const QLocale &locale, const QString &skeleton)
{
    thread_local FormatterCache<icu::SimpleDateFormat> cache;
    const QByteArray localeId = Formatting::icuLocaleId(locale);
    const QByteArray key = localeId + '\0' + skeleton.toUtf8();
    if (icu::SimpleDateFormat *format = cache.find(key))
        return format;

    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale icuLocale(localeId.constData());
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(icuLocale, status));
    if (U_FAILURE(status) || !generator)
        return nullptr;
    const icu::UnicodeString pattern = generator->getBestPattern(toIcu(skeleton), status);
    if (U_FAILURE(status))
        return nullptr;
    auto format = std::make_unique<icu::SimpleDateFormat>(pattern, icuLocale, status);
    if (U_FAILURE(status))
        return nullptr;
    return cache.insert(key, std::move(format));
}

icu::DateFormat *shortTimeFormat(const QLocale &locale)
{
    thread_local FormatterCache<icu::DateFormat> cache;
    const QByteArray localeId = Formatting::icuLocaleId(locale);
    if (icu::DateFormat *format = cache.find(localeId))
        return format;
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, icu::Locale(localeId.constData())));
    if (!format)
        return nullptr;
    // The value is a time of day, not an instant: format it in UTC so no zone shifts it.
    format->adoptTimeZone(icu::TimeZone::getGMT()->clone());
    return cache.insert(localeId, std::move(format));
}

const icu::number::LocalizedNumberFormatter *numberFormat(const QLocale &locale)
{
    thread_local FormatterCache<icu::number::LocalizedNumberFormatter> cache;
    const QByteArray localeId = Formatting::icuLocaleId(locale);
    if (auto *format = cache.find(localeId))
        return format;
    return cache.insert(localeId,
                        std::make_unique<icu::number::LocalizedNumberFormatter>(
                            icu::number::NumberFormatter::withLocale(icu::Locale(localeId.constData()))));
}

} // namespace

QByteArray Formatting::icuLocaleId(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QByteArrayLiteral("en_US_POSIX");
    // The BCP 47 name keeps a script or territory only where it differs from the likely one
    // ("de-CH", "sr-Latn"), which is what ICU's data fallback expects.
    const QByteArray tag = locale.bcp47Name().toLatin1();
    char id[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_forLanguageTag(tag.constData(), id, ULOC_FULLNAME_CAPACITY, nullptr, &status);
    if (U_FAILURE(status) || length <= 0 || length >= ULOC_FULLNAME_CAPACITY)
        return locale.name().toLatin1();
    return QByteArray(id, length);
}

QString Formatting::dateFromSkeleton(const QDateTime &instant, const QString &skeleton, const QLocale &locale,
                                     const QTimeZone &zone)
{
    if (!instant.isValid())
        return {};
    icu::SimpleDateFormat *format = skeletonFormat(locale, skeleton);
    if (!format)
        return {};
    format->adoptTimeZone(toIcuZone(zone, instant).release());
    icu::UnicodeString text;
    format->format(UDate(instant.toMSecsSinceEpoch()), text);
    return fromIcu(text);
}

QString Formatting::integer(qint64 value, const QLocale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = numberFormat(locale)->formatInt(value, status).toString(status);
    if (U_FAILURE(status))
        return QString::number(value);
    return fromIcu(text);
}

QString Formatting::timeOfDay(int minutesAfterMidnight, const QLocale &locale)
{
    const int minutes = ((minutesAfterMidnight % minutesPerDay) + minutesPerDay) % minutesPerDay;
    icu::DateFormat *format = shortTimeFormat(locale);
    if (!format)
        return QTime(minutes / 60, minutes % 60).toString(QStringLiteral("HH:mm"));
    icu::UnicodeString text;
    format->format(UDate(qint64(minutes) * 60'000), text);
    return fromIcu(text);
}

bool Formatting::needsIsolation(QStringView text, Qt::LayoutDirection context)
{
    const bool rightToLeft = context == Qt::RightToLeft;
    const auto isOwnStrong = [rightToLeft](QChar::Direction d) {
        return rightToLeft ? (d == QChar::DirR || d == QChar::DirAL) : d == QChar::DirL;
    };
    const auto isOtherStrong = [rightToLeft](QChar::Direction d) {
        return rightToLeft ? d == QChar::DirL : (d == QChar::DirR || d == QChar::DirAL);
    };
    std::optional<QChar::Direction> first;
    QChar::Direction last = QChar::DirON;
    for (const char32_t c : QStringView(text).toUcs4()) {
        const QChar::Direction d = QChar::direction(c);
        switch (d) {
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirPDF:
        case QChar::DirLRI:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            return true;
        case QChar::DirBN:
            continue; // ignored by the bidi algorithm: joiners, soft hyphens
        case QChar::DirNSM:
            // A mark takes the direction of the letter before it; leading, that would be a neighbour's.
            if (!first)
                first = d;
            continue;
        default:
            break;
        }
        if (isOtherStrong(d))
            return true;
        if (!first)
            first = d;
        last = d;
    }
    // Digits, punctuation and spaces at either end would join the words around the text.
    return first && (!isOwnStrong(*first) || !isOwnStrong(last));
}

QString Formatting::isolated(QStringView text, Qt::LayoutDirection context)
{
    if (!needsIsolation(text, context))
        return text.toString();
    constexpr char16_t lri = 0x2066;
    constexpr char16_t fsi = 0x2068;
    constexpr char16_t pdi = 0x2069;
    QString result;
    result.reserve(text.size() + 2);
    result.append(QChar(fsi));
    qsizetype open = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= lri && unit <= fsi) {
            ++open;
        } else if (unit == pdi) {
            if (open == 0)
                continue; // would close our isolate and let the rest out
            --open;
        }
        result.append(c);
    }
    for (; open > 0; --open)
        result.append(QChar(pdi));
    result.append(QChar(pdi));
    return result;
}

QString Formatting::oneLine(QStringView text)
{
    QString line = text.toString();
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return line;
}

QString Formatting::mnemonicEscaped(QStringView text)
{
    QString result = text.toString();
    result.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return result;
}
