#include "platform/component/Variant.h"

#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/Numeric.h"

#include <cmath>

namespace platform::component {

namespace {

char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void Mismatch() {
    Raise(err::TypeMismatch);
}

std::string DateText(double serial) {
    ToDateSerial(serial); // a host may hand in any double as a date
    double day = std::floor(serial);
    bool hasTime = serial != day;
    if (!hasTime) return FormatDate(serial, "yyyy-mm-dd");
    if (serial >= 0 && serial < 1) return FormatDate(serial, "hh:nn:ss");
    return FormatDate(serial, "yyyy-mm-dd hh:nn:ss");
}

// Reads a whole number of 1..maxDigits digits at s[i].
bool Digits(std::string_view s, std::size_t& i, std::size_t maxDigits, int& value) {
    std::size_t start = i;
    value = 0;
    while (i < s.size() && IsDigit(s[i]) && i - start < maxDigits)
        value = value * 10 + (s[i++] - '0');
    return i > start;
}

// The forms a date takes as text here: "yyyy-mm-dd", "hh:nn:ss" or both, blank between.
bool DateFromText(std::string_view text, double& serial) {
    std::string_view s = Trim(text);
    std::size_t i = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    bool hasDate = false, hasTime = false;
    auto timePart = [&] {
        return Digits(s, i, 2, h) && i < s.size() && s[i++] == ':' && Digits(s, i, 2, mi) &&
               i < s.size() && s[i++] == ':' && Digits(s, i, 2, se) && h < 24 && mi < 60 && se < 60;
    };
    if (s.find('-') != std::string_view::npos) {
        if (!(Digits(s, i, 4, y) && i < s.size() && s[i++] == '-' && Digits(s, i, 2, mo) &&
              i < s.size() && s[i++] == '-' && Digits(s, i, 2, d) && IsValidDate(y, mo, d) &&
              y >= 100))
            return false;
        hasDate = true;
        if (i < s.size()) {
            if (s[i++] != ' ' || !timePart()) return false;
            hasTime = true;
        }
    } else {
        if (!timePart()) return false;
        hasTime = true;
    }
    if (i != s.size()) return false;
    double day = hasDate ? DateSerial(y, mo, d) : 0;
    serial = SerialFromDayAndSeconds(static_cast<std::int32_t>(day),
                                     hasTime ? h * 3600.0 + mi * 60.0 + se : 0);
    return true;
}

} // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool IsNumericText(std::string_view text, double* value) {
    std::string_view s = Trim(text);
    if (s.empty()) return false;
    std::size_t i = 0;
    if (s.size() > 2 && s[0] == '&' && (Fold(s[1]) == 'h' || Fold(s[1]) == 'o')) {
        bool hexForm = Fold(s[1]) == 'h';
        for (i = 2; i < s.size(); ++i) {
            char c = Fold(s[i]);
            bool ok = hexForm ? (IsDigit(c) || (c >= 'a' && c <= 'f')) : (c >= '0' && c <= '7');
            if (!ok) return false;
        }
    } else {
        if (s[i] == '+' || s[i] == '-') ++i;
        std::size_t digits = 0;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
        if (i < s.size() && s[i] == '.') {
            ++i;
            while (i < s.size() && IsDigit(s[i]))
                ++i, ++digits;
        }
        if (digits == 0) return false;
        if (i < s.size() && (Fold(s[i]) == 'e' || Fold(s[i]) == 'd')) {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
            std::size_t expDigits = 0;
            while (i < s.size() && IsDigit(s[i]))
                ++i, ++expDigits;
            if (expDigits == 0) return false;
        }
        if (i != s.size()) return false;
    }
    if (value) *value = Val(s);
    return true;
}

Variant::Variant(RecordValue v)
    : kind_(Kind::Record), record_(std::make_shared<const RecordValue>(std::move(v))) {}

double Variant::Number() const {
    switch (kind_) {
    case Kind::Empty:
        return 0;
    case Kind::Boolean:
    case Kind::Int16:
        return n_.i16;
    case Kind::Int32:
        return n_.i32;
    case Kind::Single:
        return n_.r4;
    case Kind::Double:
    case Kind::Date:
        return n_.r8;
    case Kind::Text: {
        double v = 0;
        if (!IsNumericText(text_, &v)) Mismatch();
        return v;
    }
    case Kind::Record:
    case Kind::Object:
        break;
    }
    Mismatch();
}

bool Variant::ToBool() const {
    if (kind_ == Kind::Text) {
        std::string_view t = Trim(text_);
        if (SameName(t, "True")) return true;
        if (SameName(t, "False")) return false;
    }
    return Number() != 0;
}

std::int16_t Variant::ToVBool() const {
    if (kind_ == Kind::Boolean) return n_.i16;
    return ToBool() ? -1 : 0;
}

std::int16_t Variant::ToInt16() const {
    switch (kind_) {
    case Kind::Boolean:
    case Kind::Int16:
        return n_.i16;
    case Kind::Int32:
        return CheckInt16(n_.i32);
    default:
        return platform::ToInt16(Number());
    }
}

std::int32_t Variant::ToInt32() const {
    switch (kind_) {
    case Kind::Boolean:
    case Kind::Int16:
        return n_.i16;
    case Kind::Int32:
        return n_.i32;
    default:
        return platform::ToInt32(Number());
    }
}

float Variant::ToSingle() const {
    switch (kind_) {
    case Kind::Single:
        return n_.r4;
    case Kind::Boolean:
    case Kind::Int16:
        return n_.i16;
    case Kind::Int32:
        return static_cast<float>(n_.i32);
    default:
        return platform::ToSingle(Number());
    }
}

double Variant::ToDouble() const {
    return Number();
}

double Variant::ToDate() const {
    double serial = 0;
    if (kind_ == Kind::Text && !IsNumericText(text_) && DateFromText(text_, serial)) return serial;
    // Checked even for a date: one from a host may hold any double.
    return ToDateSerial(Number());
}

std::string Variant::ToText() const {
    switch (kind_) {
    case Kind::Empty:
        return {};
    case Kind::Boolean:
        return n_.i16 != 0 ? "True" : "False";
    case Kind::Int16:
        return std::to_string(n_.i16);
    case Kind::Int32:
        return std::to_string(n_.i32);
    case Kind::Single:
        return FormatSingle(n_.r4);
    case Kind::Double:
        return FormatDouble(n_.r8);
    case Kind::Date:
        return DateText(n_.r8);
    case Kind::Text:
        return text_;
    case Kind::Record:
    case Kind::Object:
        break;
    }
    Mismatch();
}

Ref<Object> Variant::ToObject() const {
    if (kind_ == Kind::Object) return object_;
    if (kind_ == Kind::Empty) return {};
    Mismatch();
}

const RecordValue& Variant::ToRecord() const {
    if (kind_ != Kind::Record) Mismatch();
    return *record_;
}

Variant Variant::ConvertTo(Kind kind) const {
    if (kind == kind_) return *this;
    switch (kind) {
    case Kind::Empty:
        return {};
    case Kind::Boolean:
        return FromVBool(ToVBool());
    case Kind::Int16:
        return Variant(ToInt16());
    case Kind::Int32:
        return Variant(ToInt32());
    case Kind::Single:
        return Variant(ToSingle());
    case Kind::Double:
        return Variant(ToDouble());
    case Kind::Date:
        return Date(ToDate());
    case Kind::Text:
        return Variant(ToText());
    case Kind::Object:
        return Variant(ToObject());
    case Kind::Record:
        break;
    }
    Mismatch();
}

bool Variant::operator==(const Variant& o) const {
    if (kind_ != o.kind_) return false;
    switch (kind_) {
    case Kind::Empty:
        return true;
    case Kind::Boolean:
    case Kind::Int16:
        return n_.i16 == o.n_.i16;
    case Kind::Int32:
        return n_.i32 == o.n_.i32;
    case Kind::Single:
        return n_.r4 == o.n_.r4;
    case Kind::Double:
    case Kind::Date:
        return n_.r8 == o.n_.r8;
    case Kind::Text:
        return text_ == o.text_;
    case Kind::Object:
        return object_.get() == o.object_.get();
    case Kind::Record:
        return *record_ == *o.record_;
    }
    return false;
}

std::string_view Variant::KindName(Kind kind) {
    switch (kind) {
    case Kind::Empty:
        return "Empty";
    case Kind::Boolean:
        return "Boolean";
    case Kind::Int16:
        return "Integer";
    case Kind::Int32:
        return "Long";
    case Kind::Single:
        return "Single";
    case Kind::Double:
        return "Double";
    case Kind::Date:
        return "Date";
    case Kind::Text:
        return "String";
    case Kind::Record:
        return "Record";
    case Kind::Object:
        return "Object";
    }
    return "?";
}

const Variant* RecordValue::Field(std::string_view name) const {
    for (const auto& f : fields)
        if (SameName(f.first, name)) return &f.second;
    return nullptr;
}

Variant* RecordValue::Field(std::string_view name) {
    for (auto& f : fields)
        if (SameName(f.first, name)) return &f.second;
    return nullptr;
}

} // namespace platform::component
