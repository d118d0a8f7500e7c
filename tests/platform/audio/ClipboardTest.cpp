#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/EditorClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace platform::audio;
using namespace audiotest;

TEST(SystemClipboardTest, AudioTravelsAsWavBetweenComponents) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    testsupport::TempDir dir{"audioclip"};
    WriteToneWav(dir / "a.wav", 2, 4000, 8000);
    AudioEditor from, to;
    from.SetTemporaryFolder(dir / "t1");
    to.SetTemporaryFolder(dir / "t2");
    from.OpenAudio(dir / "a.wav");
    from.View().SetSelectionShown(true);
    from.View().SetSelectionStart(1000);
    from.View().SetSelectionEnd(1500);
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
