// The editor window offscreen inside the real main window, with scripted message boxes and
// dialogs, the fake sound card and a scratch registry; WAV files are written and read back
// with libsndfile.
#pragma once

#include "editor/audio/frmLumoEditTransform.h"
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/ShellFixture.h"
#include "editor/shell/frmGoodInputBox.h"
#include "editor/shell/frmMain.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/base/MessageBox.h"
#include "platform/devices/Devices.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

#include <QApplication>

#include <sndfile.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace audiotest {

namespace audio = platform::audio;
using lumoedit::frmLumoEdit;
using lumoedit::frmLumoEditTransform;

// Writes a 16-bit WAV: sample(frame, channel) in -1..1.
inline void WriteWav(const std::string& path, double seconds, int channels,
                     const std::function<double(std::int64_t, int)>& sample, int rate = 44100) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<std::int64_t>(std::llround(seconds * rate));
    std::vector<float> buf(static_cast<std::size_t>(4096 * channels));
    for (std::int64_t at = 0; at < frames; at += 4096) {
        const std::int64_t n = std::min<std::int64_t>(4096, frames - at);
        for (std::int64_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                buf[static_cast<std::size_t>(i * channels + c)] = static_cast<float>(sample(at + i, c));
        sf_writef_float(f, buf.data(), n);
    }
    sf_close(f);
}

// A tone at half scale on every channel.
inline double Tone(std::int64_t frame, int) { return 0.5 * std::sin(frame * 2 * M_PI * 441.0 / 44100.0); }

struct Read {
    int rate = 0, channels = 0;
    std::vector<float> samples; // interleaved
    std::int64_t Frames() const { return channels ? static_cast<std::int64_t>(samples.size()) / channels : 0; }
    float At(std::int64_t frame, int c) const { return samples[static_cast<std::size_t>(frame * channels + c)]; }
};

inline Read ReadWav(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    Read r;
    if (!f) return r;
    r.rate = info.samplerate;
    r.channels = info.channels;
    r.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, r.samples.data(), info.frames);
    sf_close(f);
    return r;
}

// The next input box: the text is typed, then OK (or Cancel) is pressed.
inline void InputAnswer(const std::string& text, bool ok = true) {
    platform::ui::Form::ScriptModal([text, ok](platform::ui::Form& f) {
        auto& b = dynamic_cast<lumoedit::frmGoodInputBox&>(f);
        b.Text1->SetText(text);
        if (ok) b.cmdOK_Click();
        else b.cmdCancel_Click();
    });
}

class AudioWindowTest : public ShellTest {
protected:
    platform::ScopedScriptedMessageBoxes boxes;
    platform::ui::ScopedScriptedCommonDialogs dialogs;
    platform::devices::ScopedFakeDevices devices{platform::devices::ParseDeviceList(
        "out 0x0FFF Desk speakers;in 0x0FFF Line in")};
    std::shared_ptr<audio::FakeAudioDevice> card = std::make_shared<audio::FakeAudioDevice>();
    audio::ScopedDeviceFactory factory{
        [this](audio::DeviceDirection, int) -> std::shared_ptr<audio::AudioDevice> { return card; }};
    std::unique_ptr<lumoedit::frmMain> main;
    frmLumoEdit* editor = nullptr;
    std::vector<std::string> reported;

    void SetUp() override {
        ShellTest::SetUp();
        lumoedit::ReleaseApplicationObjects();
        lumoedit::SetProgramCommandLine("");
        helpers::Utility().SetCommandLine("");
        platform::ui::Form::ClearModalScript();
        helpers::cTimeFormat::SetPauseHandler([](double) {});
        platform::ui::SetHandlerErrorReporter([this](std::exception_ptr e, const std::string& handler) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                reported.push_back(handler + ": " + x.what());
            }
        });
        lumoedit::InstallEditorWindow();
        lumoedit::AudioSettings().EditorTemporaryDirectory = dir / "work/";
        main = std::make_unique<lumoedit::frmMain>();
        main->Load();
        main->Move(0, 0, 24000, 15000);
        QApplication::processEvents();
        editor = dynamic_cast<frmLumoEdit*>(main->Editor());
        ASSERT_NE(editor, nullptr);
    }
    void TearDown() override {
        if (main) {
            if (editor) editor->bEdited_ = false;
            main->Unload();
            main.reset();
        }
        lumoedit::SetEditorWindowFactory({});
        platform::ui::SetHandlerErrorReporter({});
        helpers::cTimeFormat::SetPauseHandler({});
        platform::ui::Form::ClearModalScript();
        lumoedit::ReleaseApplicationObjects();
        ShellTest::TearDown();
    }

    // Opens a file for editing as the window does once its item names it.
    std::string Open(double seconds, int channels = 2,
                     const std::function<double(std::int64_t, int)>& sample = Tone,
                     const std::function<void(rozuzezer::cHardDiskItem&)>& markers = {}) {
        const std::string path = dir / ("take" + std::to_string(++files_) + ".wav");
        WriteWav(path, seconds, channels, sample);
        editor->ClearDetails(0);
        auto& item = *editor->cAudioInformation;
        item.AudioFileName = path;
        item.TotalLength = static_cast<float>(seconds);
        item.AudioEnd = static_cast<float>(seconds);
        if (markers) markers(item);
        if (item.LoopStart > 0) editor->chkLoop->SetValue(1);
        int flags = 0;
        EXPECT_TRUE(editor->SetupEditor(flags));
        editor->bEdited_ = false;
        editor->bAudioEdited = false;
        return path;
    }

    std::int64_t S(double seconds) const { return static_cast<std::int64_t>(std::llround(seconds * 44100)); }

    void Select(double from, double to) {
        auto& view = editor->ctlEditor->View();
        view.SetSelectionShown(true);
        view.SetSelectionStart(S(from));
        view.SetSelectionEnd(S(to));
        if (from == to) view.SetPosition(S(from));
    }

    // Peak of one channel over [from, to) seconds of the document.
    float Peak(int channel, double from, double to) {
        std::vector<float> buf(static_cast<std::size_t>(S(to) - S(from)));
        editor->ctlEditor->ReadSamples(channel, S(from), S(to) - S(from), buf.data());
        float peak = 0;
        for (float v : buf) peak = std::max(peak, std::fabs(v));
        return peak;
    }

    std::vector<std::string> Texts() {
        std::vector<std::string> t;
        for (const auto& m : boxes->Shown()) t.push_back(m.text);
        return t;
    }
    std::string LastText() { return boxes->Shown().empty() ? std::string() : boxes->Shown().back().text; }

    // The next transform dialog: the action fills it in, then OK is pressed.
    static void TransformAnswers(std::function<void(frmLumoEditTransform&)> fill, bool ok = true) {
        platform::ui::Form::ScriptModal([fill, ok](platform::ui::Form& f) {
            auto& d = dynamic_cast<frmLumoEditTransform&>(f);
            if (fill) fill(d);
            if (ok) d.cmdOK_Click();
            else d.cmdCancel_Click();
        });
    }
    static void InputAnswer(const std::string& text, bool ok = true) { audiotest::InputAnswer(text, ok); }

private:
    int files_ = 0;
};

} // namespace audiotest
