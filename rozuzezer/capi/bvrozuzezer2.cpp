// The C interface: a thin layer over the component tables. Every entry point catches
// everything, so no C++ exception crosses into a C host.
#include "rozuzezer/capi/bvrozuzezer2.h"

#include "platform/base/Error.h"
#include "platform/component/Dispatch.h"
#include "rozuzezer/core/Library.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace platform::component;
namespace err = platform::err;

namespace {

struct LastError {
    int number = 0;
    std::string description;
};

LastError& Last() {
    thread_local LastError e;
    return e;
}

int Fail(int number, std::string description = {}) {
    LastError& e = Last();
    e.number = number;
    e.description = description.empty() ? std::string(platform::StandardMessage(number))
                                        : std::move(description);
    return number;
}

template <typename F> int Guard(F&& f) noexcept {
    try {
        f();
        return 0;
    } catch (const platform::RuntimeError& e) {
        return Fail(e.Number(), e.Description());
    } catch (const std::bad_alloc&) {
        return Fail(err::OutOfMemory);
    } catch (const std::exception& e) {
        return Fail(err::AutomationError, e.what());
    } catch (...) {
        return Fail(err::AutomationError);
    }
}

Object* Obj(bvr_object* p) {
    return reinterpret_cast<Object*>(p);
}
bvr_object* Handle(Object* p) {
    return reinterpret_cast<bvr_object*>(p);
}
RecordValue* Rec(bvr_record* p) {
    return reinterpret_cast<RecordValue*>(p);
}
bvr_record* Handle(RecordValue* p) {
    return reinterpret_cast<bvr_record*>(p);
}

Object& Need(bvr_object* p) {
    if (!p) platform::Raise(err::ObjectNotSet);
    return *Obj(p);
}

void NeedOut(const void* p) {
    if (!p) platform::Raise(err::InvalidCall);
}

Variant FromC(const bvr_variant& v) {
    switch (v.kind) {
    case BVR_EMPTY:
        return {};
    case BVR_BOOLEAN:
        return Variant::FromVBool(v.value.boolean);
    case BVR_INT16:
        return Variant(v.value.int16);
    case BVR_INT32:
        return Variant(v.value.int32);
    case BVR_SINGLE:
        return Variant(v.value.single);
    case BVR_DOUBLE:
        return Variant(v.value.dbl);
    case BVR_DATE:
        return Variant::Date(v.value.date);
    case BVR_TEXT:
        return Variant(v.value.text.data ? std::string(v.value.text.data, v.value.text.length)
                                         : std::string());
    case BVR_RECORD:
        if (!v.value.record) platform::Raise(err::TypeMismatch);
        return Variant(*Rec(v.value.record));
    case BVR_OBJECT:
        return Variant(Ref<Object>(Obj(v.value.object)));
    default:
        platform::Raise(err::TypeMismatch);
    }
}

void SetText(bvr_variant* out, const char* data, std::size_t length) {
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) throw std::bad_alloc();
    if (length) std::memcpy(copy, data, length);
    copy[length] = '\0';
    out->kind = BVR_TEXT;
    out->value.text.data = copy;
    out->value.text.length = length;
}

// Writes v into an uninitialised variant.
void ToC(const Variant& v, bvr_variant* out) {
    bvr_variant_init(out);
    switch (v.kind()) {
    case Variant::Kind::Empty:
        return;
    case Variant::Kind::Boolean:
        out->value.boolean = v.ToVBool();
        break;
    case Variant::Kind::Int16:
        out->value.int16 = v.ToInt16();
        break;
    case Variant::Kind::Int32:
        out->value.int32 = v.ToInt32();
        break;
    case Variant::Kind::Single:
        out->value.single = v.ToSingle();
        break;
    case Variant::Kind::Double:
        out->value.dbl = v.ToDouble();
        break;
    case Variant::Kind::Date:
        out->value.date = v.ToDate();
        break;
    case Variant::Kind::Text: {
        std::string t = v.ToText();
        SetText(out, t.data(), t.size());
        return;
    }
    case Variant::Kind::Record:
        out->value.record = Handle(new RecordValue(v.ToRecord()));
        break;
    case Variant::Kind::Object:
        out->value.object = Handle(v.ToObject().Detach());
        break;
    }
    out->kind = static_cast<std::int32_t>(v.kind());
}

int InvokeMember(bvr_object* obj, const MemberInfo* (*find)(const InterfaceInfo&, const void*),
                 const void* key, std::int32_t call, bvr_variant* args, size_t count,
                 bvr_variant* result) {
    if (result) bvr_variant_init(result);
    return Guard([&] {
        Object& o = Need(obj);
        if (count && !args) platform::Raise(err::InvalidCall);
        if (call != BVR_GET && call != BVR_PUT && call != BVR_METHOD)
            platform::Raise(err::InvalidCall);
        const MemberInfo* m = find(InterfaceOf(o), key);
        if (!m) platform::Raise(err::MemberNotSupported);
        std::vector<Variant> values;
        values.reserve(count);
        for (size_t i = 0; i < count; ++i)
            values.push_back(FromC(args[i]));
        CallKind kind = call == BVR_GET   ? CallKind::Get
                        : call == BVR_PUT ? CallKind::Put
                                          : CallKind::Method;
        Variant r = Invoke(o, *m, kind, values);
        // Hand the by-reference arguments back.
        for (size_t i = 0; i < count; ++i) {
            bool byRef =
                i < m->params.size() ? m->params[i].byRef : (kind == CallKind::Put && m->putByRef);
            if (!byRef) continue;
            bvr_variant fresh;
            ToC(values[i], &fresh);
            bvr_variant_clear(&args[i]);
            args[i] = fresh;
        }
        if (result) ToC(r, result);
    });
}

} // namespace

extern "C" {

int bvr_guid_parse(const char* text, bvr_guid* out) {
    return Guard([&] {
        NeedOut(out);
        auto g = text ? Guid::Parse(text) : std::nullopt;
        if (!g) platform::Raise(err::InvalidCall, "Malformed identifier");
        out->data1 = g->data1;
        out->data2 = g->data2;
        out->data3 = g->data3;
        std::memcpy(out->data4, g->data4.data(), 8);
    });
}

void bvr_variant_init(bvr_variant* v) {
    if (!v) return;
    std::memset(v, 0, sizeof *v);
    v->kind = BVR_EMPTY;
}

void bvr_variant_clear(bvr_variant* v) {
    if (!v) return;
    switch (v->kind) {
    case BVR_TEXT:
        std::free(v->value.text.data);
        break;
    case BVR_OBJECT:
        if (v->value.object) Obj(v->value.object)->Release();
        break;
    case BVR_RECORD:
        delete Rec(v->value.record);
        break;
    default:
        break;
    }
    bvr_variant_init(v);
}

int bvr_variant_copy(bvr_variant* dest, const bvr_variant* src) {
    if (dest) bvr_variant_init(dest);
    return Guard([&] {
        NeedOut(dest);
        NeedOut(src);
        ToC(FromC(*src), dest);
    });
}

int bvr_variant_set_text(bvr_variant* v, const char* utf8) {
    return bvr_variant_set_text_n(v, utf8, utf8 ? std::strlen(utf8) : 0);
}

int bvr_variant_set_text_n(bvr_variant* v, const char* utf8, size_t length) {
    return Guard([&] {
        NeedOut(v);
        if (!utf8 && length) platform::Raise(err::InvalidCall);
        bvr_variant fresh;
        bvr_variant_init(&fresh);
        SetText(&fresh, utf8, length);
        bvr_variant_clear(v);
        *v = fresh;
    });
}

void bvr_variant_set_object(bvr_variant* v, bvr_object* obj) {
    if (!v) return;
    if (obj) Obj(obj)->AddRef();
    bvr_variant_clear(v);
    v->kind = BVR_OBJECT;
    v->value.object = obj;
}

void bvr_variant_set_bool(bvr_variant* v, int value) {
    if (!v) return;
    bvr_variant_clear(v);
    v->kind = BVR_BOOLEAN;
    v->value.boolean = value ? -1 : 0;
}

void bvr_variant_set_int16(bvr_variant* v, int16_t value) {
    if (!v) return;
    bvr_variant_clear(v);
    v->kind = BVR_INT16;
    v->value.int16 = value;
}

void bvr_variant_set_int32(bvr_variant* v, int32_t value) {
    if (!v) return;
    bvr_variant_clear(v);
    v->kind = BVR_INT32;
    v->value.int32 = value;
}

void bvr_variant_set_double(bvr_variant* v, double value) {
    if (!v) return;
    bvr_variant_clear(v);
    v->kind = BVR_DOUBLE;
    v->value.dbl = value;
}

int bvr_variant_convert(bvr_variant* v, int32_t kind) {
    return Guard([&] {
        NeedOut(v);
        if (kind < BVR_EMPTY || kind > BVR_OBJECT) platform::Raise(err::InvalidCall);
        Variant converted = FromC(*v).ConvertTo(static_cast<Variant::Kind>(kind));
        bvr_variant fresh;
        ToC(converted, &fresh);
        bvr_variant_clear(v);
        *v = fresh;
    });
}

int bvr_record_create(const char* type_name, bvr_variant* out) {
    if (out) bvr_variant_init(out);
    return Guard([&] {
        NeedOut(out);
        const RecordInfo* info = type_name ? rozuzezer::Library().FindRecord(type_name) : nullptr;
        if (!info) platform::Raise(err::InvalidCall, "No record type of that name");
        ToC(Variant(info->Empty()), out);
    });
}

int bvr_record_get_field(const bvr_variant* record, const char* field, bvr_variant* out) {
    if (out) bvr_variant_init(out);
    return Guard([&] {
        NeedOut(out);
        if (!record || record->kind != BVR_RECORD || !record->value.record)
            platform::Raise(err::TypeMismatch);
        const Variant* f = field ? Rec(record->value.record)->Field(field) : nullptr;
        if (!f) platform::Raise(err::MemberNotSupported);
        ToC(*f, out);
    });
}

int bvr_record_set_field(bvr_variant* record, const char* field, const bvr_variant* value) {
    return Guard([&] {
        NeedOut(value);
        if (!record || record->kind != BVR_RECORD || !record->value.record)
            platform::Raise(err::TypeMismatch);
        RecordValue& r = *Rec(record->value.record);
        Variant* f = field ? r.Field(field) : nullptr;
        if (!f) platform::Raise(err::MemberNotSupported);
        Variant v = FromC(*value);
        if (const RecordInfo* info = rozuzezer::Library().FindRecord(r.type))
            for (const auto& [name, type] : info->fields)
                if (SameName(name, field)) v = type.Coerce(v);
        *f = std::move(v);
    });
}

int bvr_create_object(const char* prog_id_or_class_id, bvr_object** out) {
    if (out) *out = nullptr;
    return Guard([&] {
        NeedOut(out);
        if (!prog_id_or_class_id) platform::Raise(err::CannotCreateObject);
        *out = Handle(rozuzezer::CreateObject(prog_id_or_class_id).Detach());
    });
}

int bvr_create_object_by_class_id(const bvr_guid* clsid, bvr_object** out) {
    if (out) *out = nullptr;
    return Guard([&] {
        NeedOut(out);
        NeedOut(clsid);
        Guid g{clsid->data1, clsid->data2, clsid->data3, {}};
        std::memcpy(g.data4.data(), clsid->data4, 8);
        *out = Handle(rozuzezer::Library().Create(g).Detach());
    });
}

int bvr_query_interface(bvr_object* obj, const bvr_guid* iid, bvr_object** out) {
    if (out) *out = nullptr;
    return Guard([&] {
        NeedOut(out);
        NeedOut(iid);
        Guid g{iid->data1, iid->data2, iid->data3, {}};
        std::memcpy(g.data4.data(), iid->data4, 8);
        Ref<Object> r = QueryInterface(Need(obj), g);
        if (!r) platform::Raise(430);
        *out = Handle(r.Detach());
    });
}

uint32_t bvr_add_ref(bvr_object* obj) {
    return obj ? Obj(obj)->AddRef() : 0;
}
uint32_t bvr_release(bvr_object* obj) {
    return obj ? Obj(obj)->Release() : 0;
}
int64_t bvr_live_objects(void) {
    return Object::LiveObjects();
}

int bvr_invoke(bvr_object* obj, const char* member, int32_t call, bvr_variant* args,
               size_t arg_count, bvr_variant* result) {
    auto byName = [](const InterfaceInfo& itf, const void* key) {
        return key ? itf.Find(static_cast<const char*>(key)) : nullptr;
    };
    return InvokeMember(obj, byName, member, call, args, arg_count, result);
}

int bvr_invoke_slot(bvr_object* obj, int32_t slot, int32_t call, bvr_variant* args,
                    size_t arg_count, bvr_variant* result) {
    auto bySlot = [](const InterfaceInfo& itf, const void* key) {
        return itf.AtSlot(*static_cast<const int32_t*>(key));
    };
    return InvokeMember(obj, bySlot, &slot, call, args, arg_count, result);
}

int bvr_member_slot(bvr_object* obj, const char* member, int32_t* slot) {
    return Guard([&] {
        NeedOut(slot);
        const MemberInfo* m = member ? InterfaceOf(Need(obj)).Find(member) : nullptr;
        if (!m) platform::Raise(err::MemberNotSupported);
        *slot = m->slot;
    });
}

const char* bvr_class_name(bvr_object* obj) {
    const ClassInfo* c = obj ? Obj(obj)->Class() : nullptr;
    return c ? c->name.c_str() : "";
}

int bvr_last_error_number(void) {
    return Last().number;
}
const char* bvr_last_error_description(void) {
    return Last().description.c_str();
}

const char* bvr_type_library(void) {
    static const std::string text = [] {
        try {
            return rozuzezer::Library().Describe();
        } catch (...) {
            return std::string();
        }
    }();
    return text.c_str();
}

} // extern "C"
