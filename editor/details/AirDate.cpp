#include "editor/details/AirDate.h"

#include "platform/base/DateTime.h"

#include <QDate>
#include <QString>

#include <algorithm>
#include <memory>
#include <vector>

namespace lumoedit {

namespace {

// A pasted paragraph is no date; the longest month names in UTF-8 fit many times over.
constexpr std::size_t kLongestText = 128;

enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

struct MonthName {
    std::u32string text; // folded, without a trailing point
    int month;
    int rank;             // which form: the written one first, English last
};

struct Names {
    QLocale locale;
    std::vector<MonthName> months; // longest first, then by rank
    Order order = Order::DayMonthYear;
};

bool IsLetter(char32_t c) { return QChar::isLetter(c) || QChar::isMark(c); }
bool IsDigit(char32_t c) { return QChar::category(c) == QChar::Number_DecimalDigit; }
bool IsBlank(char32_t c) { return QChar::isSpace(c); }
bool IsSeparator(char32_t c) {
    return IsBlank(c) || c == U'/' || c == U'-' || c == U'.' || c == U',' || c == U'\u060C'; // Arabic comma
}

// What comparisons see of a text: composed, case folded, without invisible format marks
// (the direction marks of right-to-left scripts).
std::u32string Prepared(const QString& s) {
    std::u32string out;
    for (const char32_t c : s.normalized(QString::NormalizationForm_C).toCaseFolded().toUcs4())
        if (QChar::category(c) != QChar::Other_Format) out.push_back(c);
    return out;
}

void AddName(std::vector<MonthName>& names, const QString& name, int month, int rank) {
    std::u32string s = Prepared(name);
    while (!s.empty() && (s.back() == U'.' || IsBlank(s.back()))) s.pop_back();
    while (!s.empty() && IsBlank(s.front())) s.erase(s.begin());
    if (std::none_of(s.begin(), s.end(), IsLetter)) return; // "12" is a number, not a name
    names.push_back({std::move(s), month, rank});
}

Order ShortOrder(const QLocale& locale) {
    const QString f = locale.dateFormat(QLocale::ShortFormat);
    qsizetype d = -1, m = -1, y = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == u'\'') quoted = !quoted;
        if (quoted) continue;
        if (c == u'd' && d < 0) d = i;
        else if (c == u'M' && m < 0) m = i;
        else if (c == u'y' && y < 0) y = i;
    }
    if (y >= 0 && (d < 0 || y < d) && (m < 0 || y < m)) return Order::YearMonthDay;
    if (m >= 0 && d >= 0 && m < d) return Order::MonthDayYear;
    return Order::DayMonthYear;
}

// The names of the few locales last asked for (a program asks for one, its tests for several).
const Names& NamesOf(const QLocale& locale) {
    thread_local std::vector<std::unique_ptr<Names>> cache;
    for (const auto& c : cache)
        if (c->locale == locale) return *c;
    if (cache.size() >= 12) cache.erase(cache.begin());
    auto n = std::make_unique<Names>();
    n->locale = locale;
    n->order = ShortOrder(locale);
    const QLocale english = QLocale::c();
    for (int m = 1; m <= 12; ++m) {
        AddName(n->months, locale.monthName(m, QLocale::LongFormat), m, 0);
        AddName(n->months, locale.standaloneMonthName(m, QLocale::LongFormat), m, 1);
        AddName(n->months, locale.monthName(m, QLocale::ShortFormat), m, 2);
        AddName(n->months, locale.standaloneMonthName(m, QLocale::ShortFormat), m, 3);
        // English as earlier versions wrote it, and typed by its first three letters or more.
        const QString full = english.monthName(m, QLocale::LongFormat);
        for (qsizetype len = full.size(); len >= 3; --len) AddName(n->months, full.left(len), m, 4);
    }
    std::stable_sort(n->months.begin(), n->months.end(), [](const MonthName& a, const MonthName& b) {
        return a.text.size() != b.text.size() ? a.text.size() > b.text.size() : a.rank < b.rank;
    });
    cache.push_back(std::move(n));
    return *cache.back();
}

// Cuts a time of day off the end ("13:00", "1:05:09 pm"); false when a colon stands
// anywhere else.
bool CutTime(std::u32string& t) {
    const std::size_t colon = t.find(U':');
    if (colon == std::u32string::npos) return true;
    std::size_t hour = colon;
    while (hour > 0 && IsDigit(t[hour - 1])) --hour;
    if (hour == colon || colon - hour > 2 || hour == 0 || !(IsBlank(t[hour - 1]) || t[hour - 1] == U','))
        return false;
    for (std::size_t i = colon; i < t.size(); ++i) {
        const char32_t c = t[i];
        if (!IsDigit(c) && c != U':' && c != U'.' && !IsBlank(c) && c != U'a' && c != U'p' && c != U'm') return false;
    }
    t.resize(hour);
    return true;
}

// The month a name in the text gives, the name blanked out; 0 when no name stands there as a
// word of its own.
int TakeMonth(std::u32string& t, const std::vector<MonthName>& names) {
    for (const MonthName& n : names) {
        for (std::size_t at = t.find(n.text); at != std::u32string::npos; at = t.find(n.text, at + 1)) {
            const std::size_t end = at + n.text.size();
            const auto apart = [](char32_t outside, char32_t edge) {
                return !IsLetter(outside) && !(IsDigit(edge) && IsDigit(outside));
            };
            if ((at == 0 || apart(t[at - 1], n.text.front())) && (end == t.size() || apart(t[end], n.text.back()))) {
                std::fill(t.begin() + static_cast<std::ptrdiff_t>(at), t.begin() + static_cast<std::ptrdiff_t>(end), U' ');
                return n.month;
            }
        }
    }
    return 0;
}

// The runs of digits, in ASCII; false for any letter or sign that is no separator.
bool Numbers(const std::u32string& t, std::vector<std::string>& out) {
    std::string run;
    for (const char32_t c : t) {
        if (IsDigit(c)) {
            run.push_back(static_cast<char>('0' + QChar::digitValue(c)));
            if (run.size() > 9) return false;
            continue;
        }
        if (!run.empty()) out.push_back(std::move(run));
        run.clear();
        if (!IsSeparator(c)) return false;
    }
    if (!run.empty()) out.push_back(std::move(run));
    return true;
}

bool DayOrMonth(const std::string& digits) { return digits.size() <= 2; }
bool YearDigits(const std::string& digits) { return digits.size() == 2 || digits.size() == 4; }

int Year(const std::string& digits) {
    const int y = std::stoi(digits);
    if (digits.size() <= 2) return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

bool Accept(int y, int m, int d, std::int32_t& day) {
    if (!platform::IsValidDate(y, m, d)) return false;
    if (y < 1899 || y > 9999) return false;
    const double serial = platform::DateSerial(y, m, d);
    if (serial < kFirstAirDay || serial > kLastAirDay) return false;
    day = static_cast<std::int32_t>(serial);
    return true;
}

bool Numeric(const std::vector<std::string>& n, Order order, std::int32_t& day) {
    // Where the day, the month and the year stand in the order.
    struct Places {
        std::size_t d, m, y;
    };
    const Places p = order == Order::MonthDayYear   ? Places{1, 0, 2}
                     : order == Order::YearMonthDay ? Places{2, 1, 0}
                                                    : Places{0, 1, 2};
    if (!DayOrMonth(n[p.d]) || !DayOrMonth(n[p.m]) || !YearDigits(n[p.y])) return false;
    return Accept(Year(n[p.y]), std::stoi(n[p.m]), std::stoi(n[p.d]), day);
}

QDate DateOf(std::int32_t day) {
    const platform::CivilDate c = platform::SplitDate(day);
    return QDate(c.year, c.month, c.day);
}

} // namespace

bool ReadAirDate(std::string_view text, std::int32_t& day, const QLocale& locale) {
    if (text.size() > kLongestText) return false;
    std::u32string t = Prepared(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    if (!CutTime(t)) return false;
    const Names& names = NamesOf(locale);
    const int month = TakeMonth(t, names.months);
    std::vector<std::string> n;
    if (!Numbers(t, n)) return false;
    if (month) {
        // "31 December 2030", "December 31, 2030", "2030 December 31".
        if (n.size() != 2) return false;
        const bool yearFirst = n[0].size() >= 3;
        const std::string& y = yearFirst ? n[0] : n[1];
        const std::string& d = yearFirst ? n[1] : n[0];
        if (!YearDigits(y) || !DayOrMonth(d)) return false;
        return Accept(Year(y), month, std::stoi(d), day);
    }
    if (n.size() != 3) return false;
    if (n[0].size() == 4) { // ISO: year, month, day
        if (!DayOrMonth(n[1]) || !DayOrMonth(n[2])) return false;
        return Accept(std::stoi(n[0]), std::stoi(n[1]), std::stoi(n[2]), day);
    }
    return Numeric(n, names.order, day) || (names.order != Order::DayMonthYear && Numeric(n, Order::DayMonthYear, day));
}

bool ParseAirDate(const std::string& text, double& serial) {
    std::int32_t day = 0;
    if (!ReadAirDate(text, day)) return false;
    serial = day;
    return true;
}

std::string AirDateText(std::int32_t day, const QLocale& locale) {
    if (day < kFirstAirDay || day > kLastAirDay) return {};
    return locale.toString(DateOf(day), QStringLiteral("dd MMMM yyyy")).toStdString();
}

std::string AirWeekdayText(std::int32_t day, const QLocale& locale) {
    if (day < kFirstAirDay || day > kLastAirDay) return {};
    return locale.toString(DateOf(day), QStringLiteral("dddd")).toStdString();
}

} // namespace lumoedit
