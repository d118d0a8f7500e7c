#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/EditorClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

#include <filesystem>

using namespace platform::audio;
using namespace audiotest;

namespace {

// The system clipboard needs a Qt application of the test's own.
class SystemClipboardTest : public ::testing::Test {
protected:
    int argc = 1;
    char name[5] = "test";
    char* argv[2] = {name, nullptr};
    QGuiApplication app{argc, argv};
    testsupport::TempDir dir{"audioclip"};

    static void Select(AudioEditor& e, std::int64_t a, std::int64_t b) {
        e.View().SetSelectionShown(true);
        e.View().SetSelectionStart(a);
        e.View().SetSelectionEnd(b);
    }
};

} // namespace

TEST_F(SystemClipboardTest, AudioTravelsAsWavBetweenComponents) {
    WriteToneWav(dir / "a.wav", 2, 4000, 8000);
    AudioEditor from, to;
    from.SetTemporaryFolder(dir / "t1");
    to.SetTemporaryFolder(dir / "t2");
    from.OpenAudio(dir / "a.wav");
    Select(from, 1000, 1500);
    CopyToClipboard(from);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->data("audio/wav").startsWith("RIFF"));

    to.NewDocument(8000, 2);
    PasteFromClipboard(to);
    EXPECT_EQ(to.Length(), 500);
    EXPECT_EQ(Channel(to, 1), Channel(from, 1, 1000, 500));
    // Something that is not audio pastes nothing.
    QGuiApplication::clipboard()->setText("hello");
    PasteFromClipboard(to);
    EXPECT_EQ(to.Length(), 500);
}

// The component's own clipboard and the system clipboard never take each other's audio.
TEST_F(SystemClipboardTest, TheComponentsOwnClipboardIsKeptApartBothWays) {
    WriteToneWav(dir / "a.wav", 2, 8000, 8000);
    AudioEditor ed;
    ed.SetTemporaryFolder(dir / "t");
    ed.OpenAudio(dir / "a.wav");
    auto select = [&](std::int64_t a, std::int64_t b) { Select(ed, a, b); };
    auto clipLength = [&] {
        AudioEditor reader;
        reader.OpenAudio(ed.ClipboardFileName());
        return reader.Length();
    };
    select(1000, 1100);
    ed.Copy();
    const std::vector<float> own = Channel(ed, 0, 1000, 100);

    // Out to the system clipboard: the own clipboard still holds its 100 samples.
    select(2000, 2300);
    CopyToClipboard(ed);
    EXPECT_EQ(clipLength(), 100);
    // A copy without a selection leaves the system clipboard as it was.
    ed.View().SetSelectionShown(false);
    CopyToClipboard(ed);

    // In from the system clipboard: its 300 samples go in, the own clipboard keeps its 100.
    ed.View().SetPosition(0);
    PasteFromClipboard(ed);
    EXPECT_EQ(ed.Length(), 8300);
    EXPECT_EQ(clipLength(), 100);
    ed.View().SetSelectionShown(false);
    ed.View().SetPosition(0);
    ed.Paste();
    EXPECT_EQ(ed.Length(), 8400);
    EXPECT_EQ(Channel(ed, 0, 0, 100), own);
    // The system clipboard's audio is still there for the next paste, and no work file is left.
    ed.View().SetSelectionShown(false);
    PasteFromClipboard(ed);
    EXPECT_EQ(ed.Length(), 8700);
    for (const auto& entry : std::filesystem::directory_iterator(dir / "t"))
        EXPECT_EQ(entry.path().filename().string().find("system-clip"), std::string::npos) << entry.path();
}
