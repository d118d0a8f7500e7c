// The value that travels through calls by name: one of the interface value types, with
// the platform's conversion rules between them.
//
// Conversions: numbers convert among themselves with half-to-even rounding and range
// checks (error 6); a text converts to a number only when the whole text is a number
// (blanks around it allowed, "&H"/"&O" forms included), else error 13; a number becomes
// text in the general number form; a Boolean is -1 or 0 as a number and "True"/"False"
// as text, and any non-zero number is True. A date must lie within the years 100 to 9999
// (else error 6); as text it reads "yyyy-mm-dd hh:nn:ss" without the part that is zero,
// and those forms read back as dates.
// Empty reads as 0, "", False and a null object. Objects and records convert to nothing
// else (error 13).
#pragma once

#include "platform/component/Object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::component {

struct RecordValue;

class Variant {
public:
    enum class Kind : std::int32_t {
        Empty = 0,
        Boolean,
        Int16,
        Int32,
        Single,
        Double,
        Date,
        Text,
        Record,
        Object
    };

    Variant() = default;
    Variant(std::int16_t v) : kind_(Kind::Int16) { n_.i16 = v; }
    Variant(std::int32_t v) : kind_(Kind::Int32) { n_.i32 = v; }
    Variant(float v) : kind_(Kind::Single) { n_.r4 = v; }
    Variant(double v) : kind_(Kind::Double) { n_.r8 = v; }
    Variant(std::string v) : kind_(Kind::Text), text_(std::move(v)) {}
    Variant(std::string_view v) : Variant(std::string(v)) {}
    Variant(const char* v) : Variant(std::string(v)) {}
    Variant(Ref<Object> v) : kind_(Kind::Object), object_(std::move(v)) {}
    Variant(RecordValue v);
    // No implicit Boolean from bool: say which form is meant.
    Variant(bool) = delete;

    static Variant Boolean(bool v) { return FromVBool(v ? -1 : 0); }
    // The 16-bit form as it is, so any stored value reads back unchanged.
    static Variant FromVBool(std::int16_t v) {
        Variant r;
        r.kind_ = Kind::Boolean;
        r.n_.i16 = v;
        return r;
    }
    static Variant Date(double serial) {
        Variant r(serial);
        r.kind_ = Kind::Date;
        return r;
    }
    static Variant Nothing() { return Variant(Ref<Object>()); }

    Kind kind() const { return kind_; }
    bool IsEmpty() const { return kind_ == Kind::Empty; }

    // Conversions; each raises error 6 or 13 as the rules above say.
    bool ToBool() const;
    std::int16_t ToVBool() const;
    std::int16_t ToInt16() const;
    std::int32_t ToInt32() const;
    float ToSingle() const;
    double ToDouble() const;
    double ToDate() const;
    std::string ToText() const;
    Ref<Object> ToObject() const;
    const RecordValue& ToRecord() const;

    // The value converted to another kind (Empty stays Empty only for Empty).
    Variant ConvertTo(Kind kind) const;

    // Same kind and same value (records field by field, objects by identity).
    bool operator==(const Variant& o) const;

    static std::string_view KindName(Kind kind);

private:
    double Number() const; // any numeric kind, Boolean and numeric text

    Kind kind_ = Kind::Empty;
    union {
        std::int16_t i16;
        std::int32_t i32;
        float r4;
        double r8;
    } n_{};
    std::string text_;
    Ref<Object> object_;
    std::shared_ptr<const RecordValue> record_;
};

// A record value: its type's name and its fields in declaration order.
struct RecordValue {
    std::string type;
    std::vector<std::pair<std::string, Variant>> fields;

    // The field of that name (case-insensitive); null when there is none.
    const Variant* Field(std::string_view name) const;
    Variant* Field(std::string_view name);
    bool operator==(const RecordValue&) const = default;
};

// Whether a text is a number as the conversions accept it; the value in *value.
bool IsNumericText(std::string_view text, double* value = nullptr);

// ASCII case-insensitive equality, as the platform compares member and type names.
bool SameName(std::string_view a, std::string_view b);

} // namespace platform::component
