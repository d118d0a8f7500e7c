// The tables that describe published classes: their interfaces, members in slot order,
// parameter and value types, and the invokers that calls by name and by slot run. The type
// library description is generated from the same tables.
#pragma once

#include "platform/component/Guid.h"
#include "platform/component/Object.h"
#include "platform/component/Variant.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::component {

// Value types of parameters, results and record fields.
enum class ValueType {
    Void,    // no result
    Boolean, // 16 bits, True = -1
    Int16,
    Int32,
    Single,
    Double,
    Date,
    Text,
    Colour, // 32-bit colour; travels as Int32
    Enum,   // named enumeration; travels as Int32
    Record, // named record
    Object, // reference to an object of the named class (any object when unnamed)
    Variant // any value
};

struct TypeRef {
    ValueType type = ValueType::Void;
    std::string_view name; // enumeration, record or class name

    // The kind a value of this type travels as.
    Variant::Kind kind() const;
    // Converts a value to this type (errors 6 and 13 as the variant rules say; an object of
    // another class than the named one gives 13, unless that class's interface is the named
    // class's "_<name>" interface).
    Variant Coerce(const Variant& v) const;
};

inline constexpr TypeRef tVoid{ValueType::Void, {}};
inline constexpr TypeRef tBoolean{ValueType::Boolean, {}};
inline constexpr TypeRef tInt16{ValueType::Int16, {}};
inline constexpr TypeRef tInt32{ValueType::Int32, {}};
inline constexpr TypeRef tSingle{ValueType::Single, {}};
inline constexpr TypeRef tDouble{ValueType::Double, {}};
inline constexpr TypeRef tDate{ValueType::Date, {}};
inline constexpr TypeRef tText{ValueType::Text, {}};
inline constexpr TypeRef tColour{ValueType::Colour, {}};
inline constexpr TypeRef tVariant{ValueType::Variant, {}};
constexpr TypeRef tEnum(std::string_view name) {
    return {ValueType::Enum, name};
}
constexpr TypeRef tRecord(std::string_view name) {
    return {ValueType::Record, name};
}
constexpr TypeRef tObject(std::string_view className) {
    return {ValueType::Object, className};
}

struct ParamInfo {
    std::string name;
    TypeRef type;
    bool byRef = false;
};

// Arguments as a member's invoker sees them: already converted to the parameter types.
// An invoker may change a by-reference argument; the change goes back to the caller.
using Args = std::span<Variant>;
using GetFn = std::function<Variant(Object&, Args)>;
using PutFn = std::function<void(Object&, Args, const Variant&)>;

enum class MemberKind { Property, Method };

// One member: a property (get, put or both, one slot) or a method.
struct MemberInfo {
    std::string name;
    std::int32_t slot = 0; // dispatch id: the member's place in its interface, from 1
    MemberKind kind = MemberKind::Property;
    std::vector<ParamInfo> params;
    TypeRef type;          // result (method) or property type
    GetFn get;             // property get, or the method itself
    PutFn put;             // property let; empty for read-only properties
    bool putByRef = false; // the let takes its value by reference

    bool CanGet() const { return static_cast<bool>(get); }
    bool CanPut() const { return kind == MemberKind::Property && static_cast<bool>(put); }
};

// An earlier published version of an interface: its identifier and how many of the
// current slots it had (its members are the first `slots` of the current list).
struct EarlierVersion {
    Guid iid;
    std::int32_t slots = 0;
};

struct InterfaceInfo {
    std::string name;
    Guid iid;
    std::vector<MemberInfo> members;     // slot order: members[i].slot == i + 1
    std::vector<EarlierVersion> earlier; // oldest first
    bool events = false;                 // an outgoing (event) interface, called by name only

    // Case-insensitive, as the platform looks up names; null when there is none.
    const MemberInfo* Find(std::string_view memberName) const;
    const MemberInfo* AtSlot(std::int32_t slot) const;
    // Whether iid names this interface or one of its earlier versions; how many slots
    // that version has in *slots.
    bool Answers(const Guid& id, std::int32_t* slots = nullptr) const;
    // Numbers the slots and builds the name index; called once the table is complete.
    void Seal();

private:
    std::unordered_map<std::string, std::size_t> index_;
};

enum class ClassKind {
    Creatable,     // hosts create it by class id or program id
    Control,       // a user control placed on a host's window
    InterfaceClass // hosts implement it; never created
};

struct ClassInfo {
    std::string name;
    Guid clsid;
    ClassKind kind = ClassKind::Creatable;
    const InterfaceInfo* defaultInterface = nullptr;
    const InterfaceInfo* events = nullptr; // controls: the outgoing interface
    std::function<Ref<Object>()> create;   // empty for interface classes
    std::string progId;                    // "<library>.<class>"; empty when not creatable
};

struct EnumInfo {
    std::string name;
    std::vector<std::pair<std::string, std::int32_t>> members; // declaration order
};

struct RecordInfo {
    std::string name;
    Guid id;
    std::vector<std::pair<std::string, TypeRef>> fields; // declaration order

    // A record of this type with every field at its type's empty value.
    RecordValue Empty() const;
};

} // namespace platform::component
