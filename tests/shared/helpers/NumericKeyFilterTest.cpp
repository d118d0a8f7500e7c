// The numeric key filter of the number boxes: which typed characters each option keeps.
#include "shared/helpers/NumericKeyFilter.h"

#include <gtest/gtest.h>

#include <string>

TEST(NumericKeyFilter, KeepsWhatEachOptionAllowsAndAlwaysTheEditingKeys) {
    struct Case {
        std::int32_t option;
        std::string kept;
    };
    // Every printable character typed in turn; what stays is the option's set.
    const Case cases[] = {
        {helpers::nkfWhole, "0123456789"},
        {helpers::nkfSigned, "-0123456789"},
        {helpers::nkfDecimal, "-.0123456789"},
    };
    for (const Case& c : cases) {
        std::string kept;
        for (int k = 32; k < 127; ++k)
            if (helpers::NumericKeyFilter(k, c.option) != 0) kept += static_cast<char>(k);
        EXPECT_EQ(kept, c.kept) << "option " << c.option;
        for (int k : {8, 3, 22, 24, 26}) EXPECT_EQ(helpers::NumericKeyFilter(k, c.option), k);
        EXPECT_EQ(helpers::NumericKeyFilter(0xE9, c.option), 0); // a letter of another alphabet
    }
    EXPECT_EQ(helpers::NumericKeyFilter('a', helpers::nkfAny), 'a');
}
