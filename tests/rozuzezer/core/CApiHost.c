/* A host that knows only the C interface: it creates an item by program id, fills it by
 * name, reads it back, and asks for the earlier interface. Exits non-zero on any fault. */
#include "rozuzezer/capi/bvrozuzezer2.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "%s:%d: check failed: %s (last error %d: %s)\n", __FILE__, __LINE__,   \
                    #cond, bvr_last_error_number(), bvr_last_error_description());                 \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

static int put_text(bvr_object* obj, const char* member, const char* text) {
    bvr_variant v;
    bvr_variant_init(&v);
    bvr_variant_set_text(&v, text);
    int rc = bvr_invoke(obj, member, BVR_PUT, &v, 1, NULL);
    bvr_variant_clear(&v);
    return rc;
}

int main(void) {
    bvr_object* item = NULL;
    CHECK(bvr_create_object("BVRozuzezer2.cHardDiskItem", &item) == 0);
    if (!item) return 1;
    CHECK(strcmp(bvr_class_name(item), "cHardDiskItem") == 0);

    CHECK(put_text(item, "ItemTitle", "Song") == 0);

    /* Description(2) = "Line two": the index first, the value last. */
    bvr_variant args[2];
    bvr_variant_init(&args[0]);
    bvr_variant_init(&args[1]);
    bvr_variant_set_int16(&args[0], 2);
    bvr_variant_set_text(&args[1], "Line two");
    CHECK(bvr_invoke(item, "Description", BVR_PUT, args, 2, NULL) == 0);
    bvr_variant_clear(&args[0]);
    bvr_variant_clear(&args[1]);

    bvr_variant result;
    CHECK(bvr_invoke(item, "FullDescription", BVR_METHOD, NULL, 0, &result) == 0);
    CHECK(result.kind == BVR_TEXT);
    if (result.kind == BVR_TEXT) {
        if (strcmp(result.value.text.data, "Song Line two") != 0)
            fprintf(stderr, "FullDescription: \"%s\"\n", result.value.text.data);
        CHECK(strcmp(result.value.text.data, "Song Line two") == 0);
    }
    bvr_variant_clear(&result);

    /* A host built against the first interface asks for it and gets the same object. */
    bvr_guid v1;
    CHECK(bvr_guid_parse(BVR_IID__cHardDiskItem_v1, &v1) == 0);
    bvr_object* old = NULL;
    CHECK(bvr_query_interface(item, &v1, &old) == 0);
    CHECK(old == item);
    if (old) {
        /* Through the slot the first version knows, ItemTitle still answers. */
        int32_t slot = 0;
        CHECK(bvr_member_slot(old, "ItemTitle", &slot) == 0);
        CHECK(bvr_invoke_slot(old, slot, BVR_GET, NULL, 0, &result) == 0);
        CHECK(result.kind == BVR_TEXT && strcmp(result.value.text.data, "Song") == 0);
        bvr_variant_clear(&result);
        bvr_release(old);
    }

    /* A failed call reports its number and leaves the object usable. */
    CHECK(bvr_invoke(item, "NoSuchMember", BVR_GET, NULL, 0, &result) == 438);
    CHECK(bvr_last_error_number() == 438);
    CHECK(result.kind == BVR_EMPTY);
    CHECK(put_text(item, "Year", "many") == 13);
    CHECK(bvr_invoke(item, "ItemTitle", BVR_GET, NULL, 0, &result) == 0);
    CHECK(result.kind == BVR_TEXT && strcmp(result.value.text.data, "Song") == 0);
    bvr_variant_clear(&result);

    /* Interface classes are not creatable. */
    bvr_object* none = NULL;
    CHECK(bvr_create_object("BVRozuzezer2.iEditHardDiskItem", &none) == 429);
    CHECK(none == NULL);
    bvr_guid cls;
    CHECK(bvr_guid_parse(BVR_CLSID_iAudioCallback, &cls) == 0);
    CHECK(bvr_create_object_by_class_id(&cls, &none) == 429);

    const char* tlb = bvr_type_library();
    CHECK(tlb && strstr(tlb, "library BVRozuzezer2") != NULL);

    CHECK(bvr_release(item) == 0);
    CHECK(bvr_live_objects() == 0);

    if (failures)
        fprintf(stderr, "%d check(s) failed\n", failures);
    else
        printf("C host: all checks passed\n");
    return failures ? 1 : 0;
}
