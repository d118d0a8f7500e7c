// The C interface seen from a host: ownership of variants, by-reference hand-back, records,
// slots, the interface query and the error reports.
#include "rozuzezer/capi/bvrozuzezer2.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A variant that clears itself.
struct Var {
    bvr_variant v;
    Var() { bvr_variant_init(&v); }
    explicit Var(const char* text) : Var() { bvr_variant_set_text(&v, text); }
    explicit Var(int16_t n) : Var() { bvr_variant_set_int16(&v, n); }
    ~Var() { bvr_variant_clear(&v); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
    std::string Text() const {
        return v.kind == BVR_TEXT ? std::string(v.value.text.data, v.value.text.length)
                                  : "<not text>";
    }
};

class CApi : public ::testing::Test {
protected:
    void SetUp() override {
        live_ = bvr_live_objects();
        ASSERT_EQ(bvr_create_object("BVRozuzezer2.cHardDiskItem", &item_), 0);
    }
    void TearDown() override {
        EXPECT_EQ(bvr_release(item_), 0u);
        EXPECT_EQ(bvr_live_objects(), live_);
    }
    int PutText(const char* member, const char* text) {
        Var value(text);
        return bvr_invoke(item_, member, BVR_PUT, &value.v, 1, nullptr);
    }
    std::string GetText(const char* member) {
        Var r;
        EXPECT_EQ(bvr_invoke(item_, member, BVR_GET, nullptr, 0, &r.v), 0)
            << bvr_last_error_description();
        return r.Text();
    }

    bvr_object* item_ = nullptr;
    int64_t live_ = 0;
};

TEST_F(CApi, ByReferenceArgumentsComeBackAndByValueOnesStay) {
    bvr_variant args[2];
    bvr_variant_init(&args[0]);
    bvr_variant_init(&args[1]);
    bvr_variant_set_text(&args[0], "2"); // Index of ArtistName goes by reference
    bvr_variant_set_text(&args[1], "Band");
    ASSERT_EQ(bvr_invoke(item_, "ArtistName", BVR_PUT, args, 2, nullptr), 0);
    EXPECT_EQ(args[0].kind, BVR_INT16);
    EXPECT_EQ(args[0].value.int16, 2);
    EXPECT_EQ(args[1].kind, BVR_TEXT); // the value of a by-value let stays as it was
    bvr_variant_clear(&args[0]);
    bvr_variant_clear(&args[1]);

    Var index("3");
    Var result;
    ASSERT_EQ(bvr_invoke(item_, "AudioStartEx", BVR_GET, &index.v, 1, &result.v), 0);
    EXPECT_EQ(index.Text(), "3");
    EXPECT_EQ(result.v.kind, BVR_SINGLE);
}

TEST_F(CApi, TextCrossesUnchanged) {
    const std::string withNul("a\0b", 3);
    Var value;
    ASSERT_EQ(bvr_variant_set_text_n(&value.v, withNul.data(), withNul.size()), 0);
    ASSERT_EQ(bvr_invoke(item_, "Notes", BVR_PUT, &value.v, 1, nullptr), 0);
    EXPECT_EQ(GetText("Notes"), withNul);
    ASSERT_EQ(PutText("ItemTitle", "Café \xE2\x80\x93 \"live\""), 0);
    EXPECT_EQ(GetText("itemtitle"), "Café \xE2\x80\x93 \"live\"");
}

TEST_F(CApi, FailuresReportTheirNumberAndDescription) {
    struct Case {
        const char* what;
        int (*call)(bvr_object*);
        int number;
        const char* description;
    } cases[] = {
        {"overflow",
         [](bvr_object* o) {
             Var v(int16_t{0});
             bvr_variant_set_int32(&v.v, 40000);
             return bvr_invoke(o, "Year", BVR_PUT, &v.v, 1, nullptr);
         },
         6, "Overflow"},
        {"type mismatch",
         [](bvr_object* o) {
             Var v("soon");
             return bvr_invoke(o, "Year", BVR_PUT, &v.v, 1, nullptr);
         },
         13, "Type mismatch"},
        {"no such member",
         [](bvr_object* o) { return bvr_invoke(o, "Colour", BVR_GET, nullptr, 0, nullptr); }, 438,
         "Object doesn't support this property or method"},
        {"read-only",
         [](bvr_object* o) {
             Var v("1");
             return bvr_invoke(o, "HookLength", BVR_PUT, &v.v, 1, nullptr);
         },
         438, nullptr},
        {"argument count",
         [](bvr_object* o) { return bvr_invoke(o, "Description", BVR_GET, nullptr, 0, nullptr); },
         450, "Wrong number of arguments or invalid property assignment"},
        {"unknown call kind",
         [](bvr_object* o) { return bvr_invoke(o, "ItemTitle", 9, nullptr, 0, nullptr); }, 5,
         nullptr},
        {"no member name",
         [](bvr_object* o) { return bvr_invoke(o, nullptr, BVR_GET, nullptr, 0, nullptr); }, 438,
         nullptr},
        {"no object",
         [](bvr_object*) { return bvr_invoke(nullptr, "ItemTitle", BVR_GET, nullptr, 0, nullptr); },
         91, nullptr},
        {"raised inside the member",
         [](bvr_object* o) {
             Var v(int16_t{32767});
             bvr_invoke(o, "ChangeCount", BVR_PUT, &v.v, 1, nullptr);
             return bvr_invoke(o, "IncrementChangeCount", BVR_METHOD, nullptr, 0, nullptr);
         },
         6, "Overflow"},
        {"IsSame with Nothing",
         [](bvr_object* o) {
             bvr_variant a[2];
             bvr_variant_init(&a[0]);
             bvr_variant_set_object(&a[0], nullptr);
             bvr_variant_init(&a[1]);
             int rc = bvr_invoke(o, "IsSame", BVR_METHOD, a, 2, nullptr);
             bvr_variant_clear(&a[0]);
             return rc;
         },
         91, nullptr},
        {"slot 0",
         [](bvr_object* o) { return bvr_invoke_slot(o, 0, BVR_GET, nullptr, 0, nullptr); }, 438,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.call(item_), c.number);
        EXPECT_EQ(bvr_last_error_number(), c.number);
        if (c.description) {
            EXPECT_STREQ(bvr_last_error_description(), c.description);
        }
    }
    // Still usable.
    EXPECT_EQ(PutText("ItemTitle", "After"), 0);
    EXPECT_EQ(GetText("ItemTitle"), "After");
}

TEST_F(CApi, RecordsAreBuiltAndReadByFieldName) {
    Var when;
    ASSERT_EQ(bvr_record_create("SDateRecord", &when.v), 0);
    Var date("45000");
    Var time;
    bvr_variant_set_double(&time.v, 3600.5);
    ASSERT_EQ(bvr_record_set_field(&when.v, "Date", &date.v), 0);
    ASSERT_EQ(bvr_record_set_field(&when.v, "time", &time.v), 0);
    ASSERT_EQ(bvr_invoke(item_, "AirStartSDate", BVR_PUT, &when.v, 1, nullptr), 0);

    Var airStart;
    ASSERT_EQ(bvr_invoke(item_, "AirStartDate", BVR_GET, nullptr, 0, &airStart.v), 0);
    EXPECT_EQ(airStart.v.kind, BVR_INT32);
    EXPECT_EQ(airStart.v.value.int32, 45000);

    Var got, field;
    ASSERT_EQ(bvr_invoke(item_, "AirStartSDate", BVR_GET, nullptr, 0, &got.v), 0);
    ASSERT_EQ(got.v.kind, BVR_RECORD);
    ASSERT_EQ(bvr_record_get_field(&got.v, "Time", &field.v), 0);
    EXPECT_EQ(field.v.kind, BVR_SINGLE);
    EXPECT_FLOAT_EQ(field.v.value.single, 3600.5f);

    Var copy;
    ASSERT_EQ(bvr_variant_copy(&copy.v, &got.v), 0);
    EXPECT_NE(copy.v.value.record, got.v.value.record);

    Var bad;
    EXPECT_EQ(bvr_record_create("NoRecord", &bad.v), 5);
    EXPECT_EQ(bvr_record_get_field(&got.v, "Year", &field.v), 438);
    Var word("late");
    EXPECT_EQ(bvr_record_set_field(&when.v, "Date", &word.v), 13);
    EXPECT_EQ(bvr_record_get_field(&word.v, "Date", &field.v), 13);
}

TEST_F(CApi, SlotsAndTheInterfaceQuery) {
    int32_t slot = 0;
    ASSERT_EQ(bvr_member_slot(item_, "itemTITLE", &slot), 0);
    EXPECT_EQ(slot, 6);
    Var title("By slot");
    ASSERT_EQ(bvr_invoke_slot(item_, slot, BVR_PUT, &title.v, 1, nullptr), 0);
    EXPECT_EQ(GetText("ItemTitle"), "By slot");
    EXPECT_EQ(bvr_member_slot(item_, "Nope", &slot), 438);

    for (const char* id :
         {BVR_IID__cHardDiskItem, BVR_IID__cHardDiskItem_v1, BVR_IID_IUnknown, BVR_IID_IDispatch}) {
        bvr_guid iid;
        ASSERT_EQ(bvr_guid_parse(id, &iid), 0);
        bvr_object* same = nullptr;
        EXPECT_EQ(bvr_query_interface(item_, &iid, &same), 0) << id;
        EXPECT_EQ(same, item_);
        if (same) bvr_release(same);
    }
    bvr_guid other;
    ASSERT_EQ(bvr_guid_parse(BVR_IID__cRozuzezer_v1, &other), 0);
    bvr_object* none = item_;
    EXPECT_EQ(bvr_query_interface(item_, &other, &none), 430);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(bvr_guid_parse("not a guid", &other), 5);
}

TEST_F(CApi, ObjectsInVariantsHoldAReference) {
    bvr_object* second = nullptr;
    bvr_guid cls;
    ASSERT_EQ(bvr_guid_parse(BVR_CLSID_cHardDiskItem, &cls), 0);
    ASSERT_EQ(bvr_create_object_by_class_id(&cls, &second), 0);
    bvr_object* third = nullptr;
    ASSERT_EQ(bvr_create_object(BVR_CLSID_cHardDiskItem, &third), 0);
    EXPECT_EQ(bvr_live_objects(), live_ + 3);
    {
        bvr_variant args[2];
        bvr_variant_init(&args[0]);
        bvr_variant_init(&args[1]);
        bvr_variant_set_object(&args[0], second);
        bvr_variant_set_bool(&args[1], 1);
        EXPECT_EQ(bvr_release(second), 1u); // the variant keeps it alive
        Var same;
        ASSERT_EQ(bvr_invoke(item_, "IsSame", BVR_METHOD, args, 2, &same.v), 0);
        EXPECT_EQ(same.v.kind, BVR_BOOLEAN);
        EXPECT_EQ(same.v.value.boolean, -1);
        EXPECT_EQ(args[0].kind, BVR_OBJECT); // by reference: the same object back
        EXPECT_EQ(args[0].value.object, second);
        bvr_variant_clear(&args[0]);
        bvr_variant_clear(&args[1]);
    }
    EXPECT_EQ(bvr_release(third), 0u);
    EXPECT_EQ(bvr_live_objects(), live_ + 1);
}

TEST_F(CApi, VariantsConvertInPlace) {
    Var v("12.5");
    ASSERT_EQ(bvr_variant_convert(&v.v, BVR_INT16), 0);
    EXPECT_EQ(v.v.kind, BVR_INT16);
    EXPECT_EQ(v.v.value.int16, 12);
    ASSERT_EQ(bvr_variant_convert(&v.v, BVR_TEXT), 0);
    EXPECT_EQ(v.Text(), "12");
    Var word("twelve");
    EXPECT_EQ(bvr_variant_convert(&word.v, BVR_DOUBLE), 13);
    EXPECT_EQ(word.Text(), "twelve");
    Var big;
    bvr_variant_set_double(&big.v, 1e6);
    EXPECT_EQ(bvr_variant_convert(&big.v, BVR_INT16), 6);
    EXPECT_EQ(bvr_variant_convert(&big.v, 42), 5);
}

TEST(CApiFactory, InterfaceClassesAndUnknownNamesAreNotCreated) {
    for (const char* name :
         {"BVRozuzezer2.iEditHardDiskItem", "BVRozuzezer2.iAudioCallback",
          BVR_CLSID_iEditHardDiskItem, "BVRozuzezer2.uHardDiskItem", "", "Other.cHardDiskItem"}) {
        bvr_object* o = reinterpret_cast<bvr_object*>(1);
        EXPECT_EQ(bvr_create_object(name, &o), 429) << name;
        EXPECT_EQ(o, nullptr);
        EXPECT_STREQ(bvr_last_error_description(), "ActiveX component can't create object");
    }
    EXPECT_EQ(bvr_create_object(nullptr, nullptr), 5);
}

} // namespace
