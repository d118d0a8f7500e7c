// Renders the editor window inside the main window to PNG files for review
// (scripts/screenshots.sh): with and without the descriptions, each details tab, and an
// opened item.
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/ui/Form.h"
#include "platform/ui/Twips.h"
#include "rozuzezer/core/cHardDiskItem.h"
#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"
#include "tests/editor/support/ScreenshotHome.h"
#include "tests/platform/audio/AudioFixtures.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <cstdlib>

using namespace lumoedit;

namespace {

using screenshots::Save;
using screenshots::Settle;

void Le16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string& s, std::uint32_t v) {
    Le16(s, v & 0xFFFF);
    Le16(s, v >> 16);
}

// Thirty seconds of a swelling tone with a cart's details and markers.
std::string WriteItem(const std::string& path) {
    const std::uint32_t frames = 30 * 44100;
    std::string b = "RIFF";
    Le32(b, 36 + frames * 4);
    b += "WAVEfmt ";
    Le32(b, 16);
    Le16(b, 1);
    Le16(b, 2);
    Le32(b, 44100);
    Le32(b, 176400);
    Le16(b, 4);
    Le16(b, 16);
    b += "data";
    Le32(b, frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double envelope = 0.2 + 0.7 * std::fabs(std::sin(i / 44100.0 * 0.7));
        const auto v = static_cast<std::int16_t>(20000 * envelope * std::sin(i * 0.031) * std::sin(i * 0.0007));
        Le16(b, static_cast<std::uint16_t>(v));
        Le16(b, static_cast<std::uint16_t>(-v));
    }
    std::ofstream(path, std::ios::binary) << b;
    rozuzezer::cHardDiskItem it;
    it.ItemTitle = "Morning jingle";
    it.SetArtistName(1, "The Breakfast Crew");
    it.SetDescription(1, "Station ident, long version");
    it.Originator = "Studio 2";
    it.Category = "JIN";
    it.AudioEnd = 30;
    it.SetIntroEx(1, 1.5f);
    it.SetIntroEx(3, 6.25f);
    it.SetExtroEx(1, 27.5f);
    it.HookStart = 12;
    it.HookEnd = 18;
    it.SaveToWAVFile(path, 3);
    return path;
}

void Select(frmLumoEdit& e, double from, double to);

// An item as a user fills it in: a 40-second tone opened for editing, every detail field,
// markers, a loop, an air window and custom colours.
void FillIn(frmLumoEdit& e, const std::string& path) {
    audiotest::WriteToneWav(path, 2, 40 * 44100, 44100);
    if (!e.OpenFile(path)) {
        e.bEdited_ = false;
        e.ClearDetails(2);
        e.cAudioInformation->LoadFromWAVFile(path, 3);
        int flags = 0;
        e.SetupEditor(flags);
        e.HideProgress();
        bool apply = true;
        e.UpdateMarkerFields(apply);
    }
    e.txtDescription[1]->SetText("Morning Jingle");
    e.txtDescription[2]->SetText("The Station Singers");
    e.txtDescription[3]->SetText("Top of the hour, full vocal");
    for (int i = 0; i < e.comboCategory->ListCount(); ++i)
        if (e.comboCategory->List(i).rfind("Jingles", 0) == 0) e.comboCategory->SetListIndex(i);
    e.txtOutCue->SetText("...your morning station");
    e.optAudioSustain->SetValue(true);
    e.cAudioInformation->BackColour = 0x00D0F0FF;
    e.cAudioInformation->TextColour = 0x00602000;
    e.chkCustomColours->SetValue(1);
    const auto& t = helpers::TimeFormat();
    e.mtxtIntroStart->SetText(t.SecondsToText(0.5));
    e.mtxtIntroEnd->SetText(t.SecondsToText(6.25));
    e.mtxtExtro->SetText(t.SecondsToText(36.8));
    e.mtxtHookStart->SetText(t.SecondsToText(12));
    e.mtxtHookEnd->SetText(t.SecondsToText(18.5));
    e.chkLoop->SetValue(1);
    e.mtxtLoopStart->SetText(t.SecondsToText(20));
    e.mtxtLoopEnd->SetText(t.SecondsToText(28));
    e.txtMaxLoop->SetText("4");
    e.chkLoopJump->SetValue(1);
    e.txtNotes->SetText("Back-announce the weather after this jingle.\nDo not talk over the last note.");
    e.txtDAB->SetText("Your morning station - the best mix");
    e.txtWebNotes->SetText("The new station jingle package, sung live in studio A.");
    e.txtArtistWebLink->SetText("https://singers.example/");
    e.txtOnlineStoreRef->SetText("STORE-00417");
    e.txtProductTitle->SetText("Station Imaging 2026");
    e.txtMusicTitle->SetText("Morning Jingle");
    e.txtComposer->SetText("A. Composer");
    e.txtPublisher->SetText("Jingle Works Ltd");
    e.txtPerformer->SetText("The Station Singers");
    e.txtRecordLabel->SetText("Jingle Works");
    e.txtRecordNumber->SetText("JW-2026-17");
    e.txtRightsManagementRef->SetText("RM-99812");
    e.listCopyrightCode->SetListIndex(5);
    e.txtMusicDuration->SetText("36");
    e.txtTotalDuration->SetText("40");
    e.txtClient->SetText("Own station");
    e.txtOriginator->SetText("Imaging team");
    e.txtSchedulerID->SetText("JIN-0417");
    e.chkAirStart->SetValue(1);
    e.txtAirStartDate->SetText("1 January 2027");
    e.txtAirStartDate_LostFocus();
    e.txtAirStartHour->SetText("06");
    e.chkAirEnd->SetValue(1);
    e.txtAirEndDate->SetText("31 December 2030");
    e.txtAirEndDate_LostFocus();
    Select(e, 12, 18.5);
}

void Select(frmLumoEdit& e, double from, double to) {
    auto& view = e.ctlEditor->View();
    view.SetSelectionStart(view.MsToSamples(from * 1000));
    view.SetSelectionEnd(view.MsToSamples(to * 1000));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    screenshots::OutputFolder(argc, argv);
    QTemporaryDir home;
    const std::string folder = screenshots::PrepareHome(home,
        "out 0x0FFF Built-in Audio Analog Stereo;in 0x0FFF Built-in Audio Line In");
    InitialiseApplication();
    AudioSettings().EditorTemporaryDirectory = folder + "/temp/";
    AudioSettings().SaveProfile("Profile1");
    Preferences().SetEditorDisplayDescriptions(true);
    InstallEditorWindow();
    {
        frmMain main;
        main.Load();
        main.Move(0, 0, 24000, 15000);
        Settle();
        auto* editor = dynamic_cast<frmLumoEdit*>(main.Editor());
        if (!editor) return 1;
        editor->SetDisplayDescriptions(true);
        Save(&main, "frmLumoEdit_descriptions");
        const char* tabs[] = {"General", "Notes", "Copyright", "Other"};
        for (int i = 1; i < 4; ++i) {
            editor->tbsCartDetails->SetTab(i);
            Save(&main, QStringLiteral("frmLumoEdit_tab_") + tabs[i]);
        }
        editor->tbsCartDetails->SetTab(0);
        for (int i = 1; i < 3; ++i) {
            editor->tbsTiming->SetTab(i);
            Save(&main, QStringLiteral("frmLumoEdit_timing_") + QString::number(i));
        }
        editor->tbsTiming->SetTab(0);
        editor->SetDisplayDescriptions(false);
        Save(&main, "frmLumoEdit_nodescriptions");
        // The audio cover, as a file opened for playing only shows it.
        editor->SetDisplayDescriptions(true);
        editor->ClearDetails(4 | 2);
        Save(&main, "frmLumoEdit_cover");
        main.Move(0, 0, 12500, 9400);
        Save(&main, "frmLumoEdit_small");
        // An opened item: its details, markers and regions.
        main.Move(0, 0, 24000, 15000);
        const std::string item = WriteItem(folder + "/Morning jingle.wav");
        editor->OpenFile(item);
        Save(&main, "frmLumoEdit_opened");
        main.Move(0, 0, 24000, 15000);
        FillIn(*editor, folder + "/Morning Jingle.wav");
        for (int i = 0; i < 4; ++i) {
            editor->tbsCartDetails->SetTab(i);
            Save(&main, QStringLiteral("frmLumoEdit_filled_") + tabs[i]);
        }
        editor->tbsCartDetails->SetTab(0);
        for (int i = 1; i < 3; ++i) {
            editor->tbsTiming->SetTab(i);
            Save(&main, QStringLiteral("frmLumoEdit_filled_timing_") + QString::number(i));
        }
        editor->tbsTiming->SetTab(0);
        // The first-start window (800 x 600, and its client under a window manager's frame) and
        // the smaller screens, every tab of the filled-in item.
        for (const QSize window : {QSize(800, 600), QSize(798, 575), QSize(1024, 768), QSize(1366, 768)}) {
            main.Move(0, 0, platform::ui::PixelsToTwipsX(window.width()), platform::ui::PixelsToTwipsY(window.height()));
            const QString size = QString::number(window.width()) + "x" + QString::number(window.height());
            for (int i = 0; i < 4; ++i) {
                editor->tbsCartDetails->SetTab(i);
                Save(&main, "frmLumoEdit_" + size + "_" + tabs[i]);
            }
            editor->tbsCartDetails->SetTab(0);
            for (int i = 1; i < 3; ++i) {
                editor->tbsTiming->SetTab(i);
                Save(&main, "frmLumoEdit_" + size + "_timing_" + QString::number(i));
            }
            editor->tbsTiming->SetTab(0);
        }
        // The whole window as the studios' two screens show it, with and without descriptions.
        for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080)}) {
            main.Move(0, 0, platform::ui::PixelsToTwipsX(screen.width()), platform::ui::PixelsToTwipsY(screen.height()));
            const QString size = QString::number(screen.width()) + "x" + QString::number(screen.height());
            for (const bool descriptions : {true, false}) {
                editor->SetDisplayDescriptions(descriptions);
                Save(&main, "frmLumoEdit_" + size + (descriptions ? "_descriptions" : "_nodescriptions"));
            }
        }
        editor->bEdited_ = false;
        main.Unload();
    }
    SetEditorWindowFactory({});
    return 0;
}
