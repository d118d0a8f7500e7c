// Calls by name and slot with whatever a host might pass: any member, call kind, argument
// count and argument values (texts of any bytes, numbers at their limits, records, objects).
// Every call must succeed or fail with a status; nothing may crash or leak.
#include "rozuzezer/capi/bvrozuzezer2.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

struct Reader {
    const std::uint8_t* p;
    std::size_t n;
    std::uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    template <typename T> T Number() {
        T v{};
        std::size_t k = n < sizeof v ? n : sizeof v;
        std::memcpy(&v, p, k);
        p += k;
        n -= k;
        return v;
    }
    std::string Text() {
        std::size_t len = Byte();
        if (len > n) len = n;
        std::string s(reinterpret_cast<const char*>(p), len);
        p += len;
        n -= len;
        return s;
    }
};

void MakeArg(Reader& r, bvr_variant* v, bvr_object* item) {
    bvr_variant_init(v);
    switch (r.Byte() % 10) {
    case 0:
        break;
    case 1:
        bvr_variant_set_bool(v, r.Byte());
        break;
    case 2:
        bvr_variant_set_int16(v, r.Number<std::int16_t>());
        break;
    case 3:
        bvr_variant_set_int32(v, r.Number<std::int32_t>());
        break;
    case 4:
        v->kind = BVR_SINGLE;
        v->value.single = r.Number<float>();
        break;
    case 5:
        bvr_variant_set_double(v, r.Number<double>());
        break;
    case 6:
        v->kind = BVR_DATE;
        v->value.date = r.Number<double>();
        break;
    case 7: {
        std::string t = r.Text();
        bvr_variant_set_text_n(v, t.data(), t.size());
        break;
    }
    case 8:
        bvr_record_create(r.Byte() & 1 ? "SDateRecord" : "WaveFormatRecord", v);
        break;
    case 9:
        bvr_variant_set_object(v, r.Byte() & 1 ? item : nullptr);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bvr_object* item = nullptr;
    if (bvr_create_object("BVRozuzezer2.cHardDiskItem", &item) != 0) __builtin_trap();
    Reader r{data, size};
    int32_t loadSlot = 0, saveSlot = 0;
    bvr_member_slot(item, "LoadFromWAVFile", &loadSlot);
    bvr_member_slot(item, "SaveToWAVFile", &saveSlot);
    while (r.n) {
        int32_t slot = r.Byte() % 100;                      // past the end too
        if (slot == loadSlot || slot == saveSlot) continue; // they touch files
        int32_t call = r.Byte() % 4;
        std::size_t count = r.Byte() % 4;
        bvr_variant args[3];
        for (std::size_t i = 0; i < count; ++i)
            MakeArg(r, &args[i], item);
        bvr_variant result;
        bvr_invoke_slot(item, slot, call, args, count, &result);
        for (std::size_t i = 0; i < count; ++i) {
            bvr_variant_convert(&args[i], static_cast<int32_t>(r.Byte() % 11));
            bvr_variant_clear(&args[i]);
        }
        bvr_variant_clear(&result);
    }
    if (bvr_release(item) != 0) __builtin_trap();
    return 0;
}
