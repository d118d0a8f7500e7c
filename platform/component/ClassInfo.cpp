#include "platform/component/ClassInfo.h"

#include "platform/base/Error.h"

namespace platform::component {

namespace {

std::string FoldedKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

} // namespace

Variant::Kind TypeRef::kind() const {
    switch (type) {
    case ValueType::Void:
    case ValueType::Variant:
        return Variant::Kind::Empty;
    case ValueType::Boolean:
        return Variant::Kind::Boolean;
    case ValueType::Int16:
        return Variant::Kind::Int16;
    case ValueType::Int32:
    case ValueType::Colour:
    case ValueType::Enum:
        return Variant::Kind::Int32;
    case ValueType::Single:
        return Variant::Kind::Single;
    case ValueType::Double:
        return Variant::Kind::Double;
    case ValueType::Date:
        return Variant::Kind::Date;
    case ValueType::Text:
        return Variant::Kind::Text;
    case ValueType::Record:
        return Variant::Kind::Record;
    case ValueType::Object:
        return Variant::Kind::Object;
    }
    return Variant::Kind::Empty;
}

Variant TypeRef::Coerce(const Variant& v) const {
    switch (type) {
    case ValueType::Void:
    case ValueType::Variant:
        return v;
    case ValueType::Record: {
        const RecordValue& r = v.ToRecord();
        if (!name.empty() && !SameName(r.type, name)) Raise(err::TypeMismatch);
        return v;
    }
    case ValueType::Object: {
        Ref<Object> o = v.ToObject();
        if (o && !name.empty()) {
            // An object of the named class, or of any class whose interface is that class's
            // own ("_" and the class name): another implementation of the same record.
            const ClassInfo* cls = o->Class();
            const std::string_view itf = cls && cls->defaultInterface ? std::string_view(cls->defaultInterface->name) : "";
            bool fits = cls && (SameName(cls->name, name) || SameName(itf, name) ||
                                (itf.size() == name.size() + 1 && itf[0] == '_' && SameName(itf.substr(1), name)));
            if (!fits) Raise(err::TypeMismatch);
        }
        return Variant(std::move(o));
    }
    default:
        return v.ConvertTo(kind());
    }
}

const MemberInfo* InterfaceInfo::Find(std::string_view memberName) const {
    auto it = index_.find(FoldedKey(memberName));
    if (it != index_.end()) return &members[it->second];
    if (!index_.empty()) return nullptr;
    for (const auto& m : members) // not sealed yet
        if (SameName(m.name, memberName)) return &m;
    return nullptr;
}

const MemberInfo* InterfaceInfo::AtSlot(std::int32_t slot) const {
    if (slot < 1 || static_cast<std::size_t>(slot) > members.size()) return nullptr;
    return &members[static_cast<std::size_t>(slot) - 1];
}

bool InterfaceInfo::Answers(const Guid& id, std::int32_t* slots) const {
    if (id == iid) {
        if (slots) *slots = static_cast<std::int32_t>(members.size());
        return true;
    }
    for (const auto& e : earlier)
        if (id == e.iid) {
            if (slots) *slots = e.slots;
            return true;
        }
    return false;
}

void InterfaceInfo::Seal() {
    index_.clear();
    for (std::size_t i = 0; i < members.size(); ++i) {
        members[i].slot = static_cast<std::int32_t>(i + 1);
        index_.emplace(FoldedKey(members[i].name), i);
    }
}

RecordValue RecordInfo::Empty() const {
    RecordValue r;
    r.type = name;
    for (const auto& [fieldName, t] : fields)
        r.fields.emplace_back(fieldName, t.Coerce(Variant()));
    return r;
}

} // namespace platform::component
