// Helpers for writing a class's member table: members are added in slot order, each with
// its invokers written against the C++ class.
//
//     static InterfaceInfo itf = MemberTable<cThing>("_cThing", kIid)
//         .Field("Name", &cThing::Name, tText)
//         .EarlierVersion(kIidV1)          // the members so far were version 1
//         .Method("Run", tBoolean, {{"Times", tInt16}}, [](cThing& t, Args a) { ... })
//         .Build();
#pragma once

#include "platform/component/ClassInfo.h"

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace platform::component {

// A C++ value as a variant of the given type, and back. The 16-bit form of a Boolean
// travels unchanged, so whatever a field holds reads back as it is.
template <typename M> Variant ToVariant(const M& v, const TypeRef& t) {
    if constexpr (std::is_same_v<M, bool>) {
        return Variant::Boolean(v);
    } else if constexpr (std::is_same_v<M, std::int16_t>) {
        return t.type == ValueType::Boolean ? Variant::FromVBool(v) : Variant(v);
    } else if constexpr (std::is_same_v<M, double>) {
        return t.type == ValueType::Date ? Variant::Date(v) : Variant(v);
    } else {
        return Variant(v);
    }
}

template <typename M> M FromVariant(const Variant& v, const TypeRef& t) {
    if constexpr (std::is_same_v<M, std::string>)
        return v.ToText();
    else if constexpr (std::is_same_v<M, bool>)
        return v.ToBool();
    else if constexpr (std::is_same_v<M, std::int16_t>)
        return t.type == ValueType::Boolean ? v.ToVBool() : v.ToInt16();
    else if constexpr (std::is_same_v<M, std::int32_t>)
        return v.ToInt32();
    else if constexpr (std::is_same_v<M, float>)
        return v.ToSingle();
    else if constexpr (std::is_same_v<M, double>)
        return t.type == ValueType::Date ? v.ToDate() : v.ToDouble();
    else
        static_assert(sizeof(M) == 0, "no variant form for this type");
}

template <typename T> class MemberTable {
public:
    using Getter = std::function<Variant(T&, Args)>;
    using Putter = std::function<void(T&, Args, const Variant&)>;

    MemberTable(std::string name, Guid iid) {
        info_.name = std::move(name);
        info_.iid = iid;
    }

    // A plain field: stored and read back as it is.
    template <typename M> MemberTable& Field(std::string name, M T::*field, TypeRef type) {
        return Property(
            std::move(name), type, {},
            [field, type](T& o, Args) { return ToVariant(o.*field, type); },
            [field, type](T& o, Args, const Variant& v) { o.*field = FromVariant<M>(v, type); });
    }

    // A property; without a putter it is read-only.
    MemberTable& Property(std::string name, TypeRef type, std::vector<ParamInfo> params, Getter get,
                          Putter put = {}, bool putByRef = false) {
        MemberInfo m;
        m.name = std::move(name);
        m.kind = MemberKind::Property;
        m.params = std::move(params);
        m.type = type;
        m.get = Wrap(std::move(get));
        if (put)
            m.put = [put = std::move(put)](Object& o, Args a, const Variant& v) {
                put(static_cast<T&>(o), a, v);
            };
        m.putByRef = putByRef;
        info_.members.push_back(std::move(m));
        return *this;
    }

    MemberTable& Method(std::string name, TypeRef result, std::vector<ParamInfo> params,
                        Getter fn) {
        MemberInfo m;
        m.name = std::move(name);
        m.kind = MemberKind::Method;
        m.params = std::move(params);
        m.type = result;
        m.get = Wrap(std::move(fn));
        info_.members.push_back(std::move(m));
        return *this;
    }

    // The members added so far made up an earlier published version with this id.
    MemberTable& EarlierVersion(Guid iid) {
        info_.earlier.push_back({iid, static_cast<std::int32_t>(info_.members.size())});
        return *this;
    }

    MemberTable& Events() {
        info_.events = true;
        return *this;
    }

    InterfaceInfo Build() {
        info_.Seal();
        return std::move(info_);
    }

private:
    static GetFn Wrap(Getter g) {
        if (!g) return {};
        return [g = std::move(g)](Object& o, Args a) { return g(static_cast<T&>(o), a); };
    }

    InterfaceInfo info_;
};

} // namespace platform::component
