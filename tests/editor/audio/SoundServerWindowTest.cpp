// The window through a real sound server (a private PulseAudio, see tests/support/SoundServer.h)
// with the devices the default profile picks: playing an item to its end, a mark while it
// plays, and the server going away in the middle of a recording.
#include "editor/support/EditorWindowFixture.h"

#include "platform/audio/PortAudioDevice.h"
#include "tests/support/SoundServer.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace editortest;
using namespace soundtest;

namespace {

constexpr int kRate = kServerRate;

class SoundServerWindowTest : public EditorWindowFixture {
protected:
    std::unique_ptr<SoundServer> server;
    audio::ScopedDeviceFactory realCards{[](audio::DeviceDirection d, int soundCard) -> std::shared_ptr<audio::AudioDevice> {
        return std::make_shared<audio::PortAudioDevice>(d, soundCard);
    }};

    void SetUp() override {
        EditorWindowFixture::SetUp();
        server = std::make_unique<SoundServer>();
        if (const std::string why = server->WhyNotReached(); !why.empty()) GTEST_SKIP() << why;
        lumoedit::AudioSettings().EditorTemporaryDirectory = dir / "work/";
        Start();
    }

    // Lets the window run, its timers pumping the transport, until `done`; false on time-out.
    template <typename Done>
    static bool RunUntil(Done done, double seconds) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            QTest::qWait(5);
        }
        return true;
    }
    int State() const { return editor->ctlEditor->State(); }
    double Shown(platform::ui::Label* label) const {
        return helpers::cUtility::TimeTextToSeconds(label->Caption(), 1);
    }
};

} // namespace

TEST_F(SoundServerWindowTest, PlayToTheEndShowsTheEndOnceItWasHeardAndAMarkIsWhatIsHeard) {
    const auto planes = ToneAndSweep(3 * kRate);
    const std::string path = dir / "signal.wav";
    WriteWav(path, 3.0, 2, [&](std::int64_t i, int c) { return planes[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]; });
    ASSERT_TRUE(editor->OpenFile(path));
    ASSERT_TRUE(editor->AudioOpen());
    editor->bEdited_ = false;
    const auto expected = audiotest::StereoSamples(*editor->ctlEditor, 0, editor->ctlEditor->Length());

    const std::string sink = SinkOf(platform::devices::Direction::Output, lumoedit::AudioSettings().EditSoundCardNumber);
    ASSERT_NE(sink, "") << "the profile's sound card is none of the server's sinks";
    MonitorRecorder monitor(*server, sink);
    ASSERT_EQ(monitor.Error(), "");
    std::int64_t playedAtStop = -1;
    editor->ctlEditor->Stopped.Connect([&] { playedAtStop = monitor.PlayedFrames(); });
    editor->cmdPlay->click();
    ASSERT_EQ(State(), audio::kStatePlaying);
    ASSERT_TRUE(RunUntil([&] { return editor->ctlEditor->View().Position() > kRate; }, 10));
    // Mark the intro's end half-way between two ticks of the window's timer.
    QTest::qWait(12);
    editor->cmdSetIntroEnd->click();
    const std::int64_t playedAtMark = monitor.PlayedFrames();
    ASSERT_TRUE(RunUntil([&] { return State() == audio::kStateIdle; }, 10));
    EXPECT_EQ(editor->lblPosition->Caption(), "00:00:03.00") << "the display's last value is the end";
    QTest::qWait(200);
    monitor.Stop();

    const SignalMatch m = FindSignal(monitor.Samples(), expected);
    ASSERT_TRUE(m.Exact() || m.ranDry) << m.Describe();
    EXPECT_GE(playedAtStop, m.offset + m.frames) << "stopped before the end was played";
    if (!m.ranDry) {
        const double heard = static_cast<double>(m.SignalFrameAt(playedAtMark)) / kRate;
        const double marked = editor->cAudioInformation->IntroEnd();
        std::printf("marked at %.3f s, the server playing %.3f s\n", marked, heard);
        // The box holds hundredths.
        EXPECT_NEAR(marked, heard, 0.020 + 0.010);
    }
}

TEST_F(SoundServerWindowTest, TheServerGoingAwayWhileRecordingKeepsTheTakeAndSaysSo) {
    const std::string fed = SinkOf(platform::devices::Direction::Input, lumoedit::AudioSettings().RecordingSoundCardNumber);
    ASSERT_NE(fed, "") << "the profile's recording card is none of the server's monitors";
    SignalSource source(*server, fed);
    ASSERT_EQ(source.Error(), "");
    source.Play(Interleave(ToneAndSweep(10 * kRate)));
    editor->ClearDetails(1);
    ASSERT_TRUE(editor->AudioOpen());
    editor->cmdRecord->click();
    ASSERT_EQ(State(), audio::kStateRecording);
    ASSERT_TRUE(RunUntil([&] { return editor->ctlEditor->View().Position() > kRate / 2; }, 10));
    server->Kill();
    const auto killed = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunUntil([&] { return State() == audio::kStateIdle; }, 5));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - killed).count(), 2.0);
    EXPECT_EQ(LastText(), "The recording stopped because the sound card stopped working. The audio recorded until then "
                          "has been kept.");
    EXPECT_GT(editor->ctlEditor->LengthMs(), 500);
    EXPECT_GT(Shown(editor->lblLength), 0.5) << "the length takes the take in";
    EXPECT_EQ(platform::ui::ButtonPicture(editor->cmdRecord), "recorddark");

    // With the server gone there is nothing to play on or record from (unless this computer
    // has a sound card of its own): the window says so and changes nothing.
    if (!platform::devices::Devices().outputs.empty()) return;
    boxes->Clear();
    editor->cmdPlay_Click();
    EXPECT_EQ(State(), audio::kStateIdle);
    EXPECT_EQ(LastText().rfind("No sound device can be opened for playback: ", 0), 0u) << LastText();
    editor->cmdRecord_Click();
    EXPECT_EQ(LastText(), "LumoEdit could not start recording because of a problem with your soundcard\nor with the "
                          "configuration of the LumoEdit software");
    EXPECT_EQ(State(), audio::kStateIdle);
    EXPECT_TRUE(reported.empty()) << reported.front();
}
