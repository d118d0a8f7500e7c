// Calls by member name or by slot, with variant arguments, and the interface query.
//
// Arguments stand in parameter order. Each is converted to its parameter's type before the
// member runs; by-reference arguments receive the parameter's value when the member
// returns. A put takes the assigned value as its last argument. Failures are RuntimeErrors:
// 438 for a member the object does not have (or a get/put it does not support), 450 for a
// wrong number of arguments, 6 and 13 from the conversions, and whatever the member
// raises; an unexpected C++ exception inside a member arrives as 440 (7 when out of memory).
// Nothing of the object changes on a failed conversion.
#pragma once

#include "platform/component/ClassInfo.h"

#include <span>
#include <string_view>

namespace platform::component {

enum class CallKind { Get, Put, Method };

Variant Invoke(Object& obj, std::string_view member, CallKind kind, std::span<Variant> args);
Variant InvokeSlot(Object& obj, std::int32_t slot, CallKind kind, std::span<Variant> args);
// Through a given member of the object's interface.
Variant Invoke(Object& obj, const MemberInfo& member, CallKind kind, std::span<Variant> args);

// The object's own interface table; raises 438 for an object that publishes none.
const InterfaceInfo& InterfaceOf(const Object& obj);

// The object itself when it answers iid (its current interface id, any earlier id, or the
// platform's identity ids); null otherwise.
Ref<Object> QueryInterface(Object& obj, const Guid& iid);

// Conveniences for C++ callers.
inline Variant Get(Object& obj, std::string_view member, std::span<Variant> args = {}) {
    return Invoke(obj, member, CallKind::Get, args);
}
void Put(Object& obj, std::string_view member, Variant value);
void Put(Object& obj, std::string_view member, Variant index, Variant value);
inline Variant Call(Object& obj, std::string_view member, std::span<Variant> args = {}) {
    return Invoke(obj, member, CallKind::Method, args);
}

} // namespace platform::component
