/* BVRozuzezer2: the C interface for hosts that bind at run time.
 *
 * A host creates objects by program id ("BVRozuzezer2.cHardDiskItem") or class id, calls
 * their members by name (or by slot, a member's place in its interface), passing values as
 * variants, and releases them. The type description lists every class, interface, member,
 * record and enumeration.
 *
 *     bvr_object* item = NULL;
 *     if (bvr_create_object("BVRozuzezer2.cHardDiskItem", &item) != 0) { report(); return; }
 *     bvr_variant v[1];
 *     bvr_variant_init(&v[0]);
 *     bvr_variant_set_text(&v[0], "Song");
 *     bvr_invoke(item, "ItemTitle", BVR_PUT, v, 1, NULL);
 *     bvr_variant_clear(&v[0]);
 *     bvr_release(item);
 *
 * Status: every function that can fail returns 0 on success and otherwise the error
 * number (6 Overflow, 13 Type mismatch, 429 cannot create, 430 interface not supported,
 * 438 no such member, 450 wrong number of arguments, or whatever the member raised); the
 * number and description of the last failure on the calling thread stay readable until
 * the next failure. The object stays usable after a failed call.
 *
 * Text is UTF-8. Objects are single-threaded: use each on the thread that created it.
 */
#ifndef BVROZUZEZER2_H
#define BVROZUZEZER2_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define BVR_API __attribute__((visibility("default")))
#else
#define BVR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Identifiers (fixed; they never change) ------------------------------------------ */

#define BVR_LIBID "{7DBF3481-E3A9-4044-9822-591A39B1F967}"

#define BVR_CLSID_cHardDiskItem "{F8AC1F95-079E-4631-9010-051CA5F423B6}"
#define BVR_IID__cHardDiskItem "{8B005EBC-C832-4DA7-9194-84B4D5EFB5D6}"
/* The earlier _cHardDiskItem: every member up to SaveToWAVFile. */
#define BVR_IID__cHardDiskItem_v1 "{AEAD9634-CBB3-4B00-9D55-85C391F45820}"

#define BVR_CLSID_cAudioSettings "{8F3A3C76-E441-4584-A159-4CAAE55AB249}"
#define BVR_IID__cAudioSettings "{B4F29E05-08BC-4C1F-9535-5308302D57F7}"
#define BVR_IID__cAudioSettings_v1 "{7D403152-BB70-4E9B-BC20-6509A111F1E6}"
#define BVR_IID__cAudioSettings_v2 "{FA255287-1BA6-48DB-A693-9B833B2126F2}"
#define BVR_IID__cAudioSettings_v3 "{4825AB08-F1EC-4C61-A991-0B1C67B6E233}"

#define BVR_CLSID_cRozuzezer "{87D97236-4AAB-4897-A6C3-371A80F0D1F4}"
#define BVR_IID__cRozuzezer "{8B79FDF1-6769-4114-8725-297BF71CD444}"
#define BVR_IID__cRozuzezer_v1 "{775B44DF-0A17-466B-B792-1FD1805EFBF5}"
#define BVR_IID__cRozuzezer_v2 "{DB2F0A9D-1D13-44D1-AD2E-2FB9BEA4575E}"
#define BVR_IID__cRozuzezer_v3 "{DD803D03-CA68-44FB-A7D3-A871BF14AA46}"

#define BVR_CLSID_uHardDiskItem "{DA1F74D5-B9E0-41DB-83DD-F73816AC478B}"
#define BVR_IID__uHardDiskItem "{E5D6D643-4F9C-4E29-B951-A62685490204}"
#define BVR_IID___uHardDiskItem "{8D469178-02EA-46FC-8D1F-024B735E1FFB}"

#define BVR_CLSID_iEditHardDiskItem "{FE4E204A-DCA9-4BFD-8A75-CC78E20DD58C}"
#define BVR_IID__iEditHardDiskItem "{9D786AC5-8682-4FA4-9A9C-63D552C5B101}"
#define BVR_CLSID_iAudioCallback "{A67FF4C7-18C6-427A-9F3A-7C924591DE22}"
#define BVR_IID__iAudioCallback "{C79CE000-BF10-4695-A776-35CBBFEFFF68}"

#define BVR_RECORDID_SDateRecord "{3A6483ED-5C11-4F3A-AF62-EEFD879F0B03}"
#define BVR_RECORDID_WaveFormatRecord "{FD492FB1-9213-457A-8051-E56054681676}"

/* Every object answers these with itself. */
#define BVR_IID_IUnknown "{00000000-0000-0000-C000-000000000046}"
#define BVR_IID_IDispatch "{00020400-0000-0000-C000-000000000046}"

typedef struct bvr_guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
} bvr_guid;

/* Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional). 0, or 5 when malformed. */
BVR_API int bvr_guid_parse(const char* text, bvr_guid* out);

/* ---- Variants --------------------------------------------------------------------------- */

typedef struct bvr_object bvr_object; /* a counted reference to an object */
typedef struct bvr_record bvr_record; /* a record value, owned by its variant */

typedef enum bvr_kind {
    BVR_EMPTY = 0,
    BVR_BOOLEAN = 1, /* 16 bits: True = -1, False = 0 */
    BVR_INT16 = 2,
    BVR_INT32 = 3, /* also colours and enumerations */
    BVR_SINGLE = 4,
    BVR_DOUBLE = 5,
    BVR_DATE = 6,   /* days since 30 December 1899, the time of day as the fraction */
    BVR_TEXT = 7,   /* UTF-8, owned by the variant */
    BVR_RECORD = 8, /* SDateRecord, WaveFormatRecord; see bvr_record_* */
    BVR_OBJECT = 9  /* holds a reference; may be NULL (Nothing) */
} bvr_kind;

typedef struct bvr_variant {
    int32_t kind; /* a bvr_kind */
    union {
        int16_t boolean;
        int16_t int16;
        int32_t int32;
        float single;
        double dbl;
        double date;
        struct {
            char* data; /* NUL-terminated; `length` bytes before the NUL */
            size_t length;
        } text;
        bvr_object* object;
        bvr_record* record;
    } value;
} bvr_variant;

/* Ownership: a variant owns its text, record and object reference. Set texts, records and
 * objects only through the functions below, and clear every variant you filled or the
 * library filled (results and by-reference arguments) with bvr_variant_clear. Numbers may
 * be set directly (kind and value). */
BVR_API void bvr_variant_init(bvr_variant* v);
BVR_API void bvr_variant_clear(bvr_variant* v);
/* `dest` is taken as uninitialised. */
BVR_API int bvr_variant_copy(bvr_variant* dest, const bvr_variant* src);
BVR_API int bvr_variant_set_text(bvr_variant* v, const char* utf8);
BVR_API int bvr_variant_set_text_n(bvr_variant* v, const char* utf8, size_t length);
BVR_API void bvr_variant_set_object(bvr_variant* v, bvr_object* obj); /* adds a reference */
BVR_API void bvr_variant_set_bool(bvr_variant* v, int value);         /* non-zero = True */
BVR_API void bvr_variant_set_int16(bvr_variant* v, int16_t value);
BVR_API void bvr_variant_set_int32(bvr_variant* v, int32_t value);
BVR_API void bvr_variant_set_double(bvr_variant* v, double value);
/* Converts in place with the library's rules (6 Overflow, 13 Type mismatch). */
BVR_API int bvr_variant_convert(bvr_variant* v, int32_t kind);

/* A record of a named type ("SDateRecord", "WaveFormatRecord") with every field 0; `out` is
 * taken as uninitialised. 5 for a type the library does not have. */
BVR_API int bvr_record_create(const char* type_name, bvr_variant* out);
/* A field of a record by name (case-insensitive); 438 when the record has no such field.
 * `out` is taken as uninitialised, as for results. Setting converts to the field's type. */
BVR_API int bvr_record_get_field(const bvr_variant* record, const char* field, bvr_variant* out);
BVR_API int bvr_record_set_field(bvr_variant* record, const char* field, const bvr_variant* value);

/* ---- Objects ---------------------------------------------------------------------------- */

/* Creates an object by program id or class id text. 429 for an unknown class and for the
 * interface classes (iEditHardDiskItem, iAudioCallback), which are not creatable. */
BVR_API int bvr_create_object(const char* prog_id_or_class_id, bvr_object** out);
BVR_API int bvr_create_object_by_class_id(const bvr_guid* clsid, bvr_object** out);

/* The object itself, with a new reference, for its current interface id, any earlier id
 * of it, and the identity ids; 430 otherwise (*out is then NULL). */
BVR_API int bvr_query_interface(bvr_object* obj, const bvr_guid* iid, bvr_object** out);

/* The new reference count. Releasing the last reference deletes the object. */
BVR_API uint32_t bvr_add_ref(bvr_object* obj);
BVR_API uint32_t bvr_release(bvr_object* obj);

/* Objects alive in the process; 0 when the library may be unloaded. */
BVR_API int64_t bvr_live_objects(void);

typedef enum bvr_call {
    BVR_GET = 1,   /* property get */
    BVR_PUT = 2,   /* property let: the value is the last argument */
    BVR_METHOD = 3 /* method call (a property get is also accepted) */
} bvr_call;

/* Calls a member by name (case-insensitive). Arguments stand in parameter order. By-reference
 * arguments receive the member's value for them when the call succeeds (what they held is
 * cleared first). `result` may be NULL; otherwise it is taken as uninitialised and receives
 * the result (BVR_EMPTY for none, and on failure); clear it after use. */
BVR_API int bvr_invoke(bvr_object* obj, const char* member, int32_t call, bvr_variant* args,
                       size_t arg_count, bvr_variant* result);
/* The same by slot (1 = the interface's first member). */
BVR_API int bvr_invoke_slot(bvr_object* obj, int32_t slot, int32_t call, bvr_variant* args,
                            size_t arg_count, bvr_variant* result);
/* The slot of a member name; 438 when there is none. */
BVR_API int bvr_member_slot(bvr_object* obj, const char* member, int32_t* slot);

/* The class name of an object ("cHardDiskItem"); valid while the library is loaded. */
BVR_API const char* bvr_class_name(bvr_object* obj);

/* ---- Errors and the type description ----------------------------------------------------- */

/* The last failure on this thread: its number (0 when none) and description (UTF-8,
 * valid until the next call on this thread). */
BVR_API int bvr_last_error_number(void);
BVR_API const char* bvr_last_error_description(void);

/* The type library as text (IDL-like): library name, version, help string and id; records;
 * enumerations with their members in declaration order; interfaces with their members in
 * slot order; classes with their kinds, ids and program ids. Valid while loaded. */
BVR_API const char* bvr_type_library(void);

#ifdef __cplusplus
}
#endif

#endif /* BVROZUZEZER2_H */
