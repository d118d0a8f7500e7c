#include "platform/component/TypeLibrary.h"

#include "platform/base/Error.h"

#include <cstdio>

namespace platform::component {

std::string Guid::ToString() const {
    char buf[39];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1,
                  data2, data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5],
                  data4[6], data4[7]);
    return buf;
}

TypeLibrary::TypeLibrary(std::string name, Guid libid, int major, int minor, std::string helpString)
    : name_(std::move(name)), libid_(libid), major_(major), minor_(minor),
      help_(std::move(helpString)) {}

void TypeLibrary::AddInterface(const InterfaceInfo& info) {
    for (const InterfaceInfo* i : interfaces_)
        if (i == &info) return;
    interfaces_.push_back(&info);
}

void TypeLibrary::AddClass(ClassInfo& info) {
    if (info.kind != ClassKind::InterfaceClass) info.progId = name_ + "." + info.name;
    if (info.defaultInterface) AddInterface(*info.defaultInterface);
    if (info.events) AddInterface(*info.events);
    classes_.push_back(&info);
}

void TypeLibrary::AddEnum(const EnumInfo& info) {
    enums_.push_back(&info);
}
void TypeLibrary::AddRecord(const RecordInfo& info) {
    records_.push_back(&info);
}

const ClassInfo* TypeLibrary::FindClass(const Guid& clsid) const {
    for (const ClassInfo* c : classes_)
        if (c->clsid == clsid) return c;
    return nullptr;
}

const ClassInfo* TypeLibrary::FindClass(std::string_view text) const {
    if (auto id = Guid::Parse(text)) return FindClass(*id);
    for (const ClassInfo* c : classes_)
        if (!c->progId.empty() && SameName(c->progId, text)) return c;
    return nullptr;
}

const RecordInfo* TypeLibrary::FindRecord(std::string_view name) const {
    for (const RecordInfo* r : records_)
        if (SameName(r->name, name)) return r;
    return nullptr;
}

const EnumInfo* TypeLibrary::FindEnum(std::string_view name) const {
    for (const EnumInfo* e : enums_)
        if (SameName(e->name, name)) return e;
    return nullptr;
}

namespace {

Ref<Object> CreateFrom(const ClassInfo* c) {
    if (!c || c->kind == ClassKind::InterfaceClass || !c->create) Raise(err::CannotCreateObject);
    return c->create();
}

} // namespace

Ref<Object> TypeLibrary::Create(const Guid& clsid) const {
    return CreateFrom(FindClass(clsid));
}
Ref<Object> TypeLibrary::Create(std::string_view text) const {
    return CreateFrom(FindClass(text));
}

std::string TypeName(const TypeRef& t) {
    switch (t.type) {
    case ValueType::Void:
        return "void";
    case ValueType::Boolean:
        return "VARIANT_BOOL";
    case ValueType::Int16:
        return "short";
    case ValueType::Int32:
        return "long";
    case ValueType::Single:
        return "float";
    case ValueType::Double:
        return "double";
    case ValueType::Date:
        return "DATE";
    case ValueType::Text:
        return "BSTR";
    case ValueType::Colour:
        return "OLE_COLOR";
    case ValueType::Enum:
    case ValueType::Record:
        return std::string(t.name);
    case ValueType::Object:
        return t.name.empty() ? "IDispatch*" : "_" + std::string(t.name) + "*";
    case ValueType::Variant:
        return "VARIANT";
    }
    return "?";
}

namespace {

std::string Quote(std::string_view s) {
    std::string r = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') r += '\\';
        r += c;
    }
    return r + "\"";
}

std::string Param(const ParamInfo& p) {
    return (p.byRef ? "[in, out] " + TypeName(p.type) + "* " : "[in] " + TypeName(p.type) + " ") +
           p.name;
}

void Member(std::string& out, const MemberInfo& m, bool dispinterface) {
    std::string ps;
    for (const auto& p : m.params)
        ps += (ps.empty() ? "" : ", ") + Param(p);
    std::string id = "[id(" + std::to_string(m.slot);
    auto line = [&](const std::string& attrs, const std::string& extra) {
        std::string all = ps;
        if (!extra.empty()) all += (all.empty() ? "" : ", ") + extra;
        out += "        " + id + attrs + "] HRESULT " + m.name + "(" + all + ");\n";
    };
    if (dispinterface) {
        out += "        " + id + ")] " + TypeName(m.type) + " " + m.name + "(" + ps + ");\n";
        return;
    }
    if (m.kind == MemberKind::Method) {
        line(")", m.type.type == ValueType::Void
                      ? ""
                      : "[out, retval] " + TypeName(m.type) + "* retval");
        return;
    }
    if (m.CanGet()) line("), propget", "[out, retval] " + TypeName(m.type) + "* retval");
    if (m.CanPut())
        line("), propput", m.putByRef ? "[in, out] " + TypeName(m.type) + "* value"
                                      : "[in] " + TypeName(m.type) + " value");
}

void Interface(std::string& out, const InterfaceInfo& itf) {
    if (itf.events) {
        out += "    [\n        uuid(" + itf.iid.ToString().substr(1, 36) +
               "),\n        nonextensible\n    ]\n";
        out += "    dispinterface " + itf.name + " {\n        properties:\n        methods:\n";
        for (const auto& m : itf.members)
            Member(out, m, true);
        out += "    };\n\n";
        return;
    }
    // Earlier versions first, each the base of the next, so every slot keeps its place.
    std::string base = "IDispatch";
    std::size_t from = 0;
    auto block = [&](const std::string& name, const Guid& iid, std::size_t to, bool hidden) {
        out += "    [\n        uuid(" + iid.ToString().substr(1, 36) + "),\n" +
               (hidden ? "        hidden,\n" : "") + "        dual,\n        nonextensible,\n" +
               "        oleautomation\n    ]\n";
        out += "    interface " + name + " : " + base + " {\n";
        for (std::size_t i = from; i < to && i < itf.members.size(); ++i)
            Member(out, itf.members[i], false);
        out += "    };\n\n";
        base = name;
        from = to;
    };
    for (std::size_t v = 0; v < itf.earlier.size(); ++v)
        block(itf.name + "_v" + std::to_string(v + 1), itf.earlier[v].iid,
              static_cast<std::size_t>(itf.earlier[v].slots), true);
    block(itf.name, itf.iid, itf.members.size(), false);
}

} // namespace

std::string TypeLibrary::Describe() const {
    std::string out;
    out += "// " + name_ + " type library, generated from the dispatch tables.\n";
    out += "[\n    uuid(" + libid_.ToString().substr(1, 36) + "),\n    version(" +
           std::to_string(major_) + "." + std::to_string(minor_) + "),\n    helpstring(" +
           Quote(help_) + ")\n]\n";
    out += "library " + name_ + "\n{\n    importlib(\"stdole2.tlb\");\n\n";
    for (const RecordInfo* r : records_) {
        out +=
            "    typedef [uuid(" + r->id.ToString().substr(1, 36) + ")] struct " + r->name + " {\n";
        for (const auto& [n, t] : r->fields)
            out += "        " + TypeName(t) + " " + n + ";\n";
        out += "    } " + r->name + ";\n\n";
    }
    for (const EnumInfo* e : enums_) {
        out += "    typedef enum " + e->name + " {\n";
        for (std::size_t i = 0; i < e->members.size(); ++i)
            out += "        " + e->members[i].first + " = " + std::to_string(e->members[i].second) +
                   (i + 1 < e->members.size() ? ",\n" : "\n");
        out += "    } " + e->name + ";\n\n";
    }
    for (const InterfaceInfo* i : interfaces_)
        Interface(out, *i);
    for (const ClassInfo* c : classes_) {
        out += "    [\n        uuid(" + c->clsid.ToString().substr(1, 36) + ")";
        if (c->kind == ClassKind::InterfaceClass) out += ",\n        noncreatable";
        if (c->kind == ClassKind::Control) out += ",\n        control";
        if (!c->progId.empty()) out += ",\n        progid(" + Quote(c->progId) + ")";
        out += "\n    ]\n    coclass " + c->name + " {\n";
        if (c->defaultInterface)
            out += "        [default] interface " + c->defaultInterface->name + ";\n";
        if (c->events) out += "        [default, source] dispinterface " + c->events->name + ";\n";
        out += "    };\n\n";
    }
    out += "};\n";
    return out;
}

} // namespace platform::component
