#include "platform/base/MessageBox.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MessageBox, ScriptedServiceRecordsAndAnswers) {
    ScopedScriptedMessageBoxes boxes;
    boxes->Answer(MsgResult::No);
    EXPECT_EQ(MsgBox("Save?", MsgButtons::YesNoCancel, MsgIcon::Question), MsgResult::No);
    // An empty queue answers what Enter would.
    EXPECT_EQ(MsgBox("Sure?", MsgButtons::YesNo, MsgIcon::Question, "Title", 2), MsgResult::No);
    EXPECT_EQ(MsgBox("Done"), MsgResult::OK);
    ASSERT_EQ(boxes->Shown().size(), 3u);
    EXPECT_EQ(boxes->Shown()[0].title, ApplicationTitle());
    EXPECT_EQ(boxes->Shown()[1].title, "Title");
    EXPECT_EQ(boxes->Shown()[0].icon, MsgIcon::Question);
}

TEST(MessageBox, DefaultAnswers) {
    const std::tuple<MsgButtons, int, MsgResult> cases[] = {
        {MsgButtons::OK, 1, MsgResult::OK},
        {MsgButtons::OKCancel, 2, MsgResult::Cancel},
        {MsgButtons::YesNo, 1, MsgResult::Yes},
        {MsgButtons::YesNoCancel, 3, MsgResult::Cancel},
        {MsgButtons::YesNoCancel, 2, MsgResult::No},
    };
    for (auto [b, d, r] : cases) EXPECT_EQ(DefaultAnswer({"", b, MsgIcon::None, d, ""}), r);
}
