#include "platform/component/Dispatch.h"

#include "platform/base/Error.h"

#include <exception>
#include <new>
#include <vector>

namespace platform::component {

const InterfaceInfo& InterfaceOf(const Object& obj) {
    const ClassInfo* cls = obj.Class();
    if (!cls || !cls->defaultInterface) Raise(err::MemberNotSupported);
    return *cls->defaultInterface;
}

Variant Invoke(Object& obj, const MemberInfo& m, CallKind kind, std::span<Variant> args) {
    bool put = kind == CallKind::Put;
    // A get and a method call both read: hosts that bind late cannot always tell them apart.
    if (put ? !m.CanPut() : !m.CanGet()) Raise(err::MemberNotSupported);
    if (args.size() != m.params.size() + (put ? 1 : 0)) Raise(err::WrongArgumentCount);

    std::vector<Variant> converted;
    converted.reserve(m.params.size());
    for (std::size_t i = 0; i < m.params.size(); ++i)
        converted.push_back(m.params[i].type.Coerce(args[i]));
    Variant value = put ? m.type.Coerce(args.back()) : Variant();

    Variant result;
    try {
        if (put)
            m.put(obj, converted, value);
        else
            result = m.get(obj, converted);
    } catch (const RuntimeError&) {
        throw;
    } catch (const std::bad_alloc&) {
        Raise(err::OutOfMemory);
    } catch (const std::exception& e) {
        Raise(err::AutomationError, e.what());
    }

    for (std::size_t i = 0; i < m.params.size(); ++i)
        if (m.params[i].byRef) args[i] = std::move(converted[i]);
    if (put && m.putByRef) args.back() = std::move(value);
    return result;
}

Variant Invoke(Object& obj, std::string_view member, CallKind kind, std::span<Variant> args) {
    const MemberInfo* m = InterfaceOf(obj).Find(member);
    if (!m) Raise(err::MemberNotSupported);
    return Invoke(obj, *m, kind, args);
}

Variant InvokeSlot(Object& obj, std::int32_t slot, CallKind kind, std::span<Variant> args) {
    const MemberInfo* m = InterfaceOf(obj).AtSlot(slot);
    if (!m) Raise(err::MemberNotSupported);
    return Invoke(obj, *m, kind, args);
}

Ref<Object> QueryInterface(Object& obj, const Guid& iid) {
    if (iid == IID_IUnknown || iid == IID_IDispatch) return Ref<Object>(&obj);
    const ClassInfo* cls = obj.Class();
    if (cls && cls->defaultInterface && cls->defaultInterface->Answers(iid))
        return Ref<Object>(&obj);
    return {};
}

void Put(Object& obj, std::string_view member, Variant value) {
    Variant args[] = {std::move(value)};
    Invoke(obj, member, CallKind::Put, args);
}

void Put(Object& obj, std::string_view member, Variant index, Variant value) {
    Variant args[] = {std::move(index), std::move(value)};
    Invoke(obj, member, CallKind::Put, args);
}

} // namespace platform::component
