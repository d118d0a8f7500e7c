#include "editor/audio/frmLumoEditTransform.h"

#include "editor/audio/TransformSettings.h"

#include "editor/shell/ClientSize.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmGoodInputBox.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/NumericKeyFilter.h"
#include "shared/helpers/Utility.h"

#include <QCoreApplication>

#include <cmath>

namespace lumoedit {

using namespace platform::ui;

namespace {

constexpr const char* kPresetsPreference = "EditorTimeStretchPresets";
constexpr const char* kDefaultPresets = "10 Seconds,10,0|20 Seconds,20,0|30 Seconds,30,0|40 Seconds,40,0|60 Seconds,60,0";
constexpr const char* kLevelDescription =
    "100% = Leave the Volume unchanged\n<100% = Reduce the Volume\n>100% = Increase the Volume";
constexpr OleColour kCautionRed = 0x0000FF;
constexpr double kButtonW = 1215, kButtonH = 375;

// The leading number of a box's text ("." as the decimal point); a number too large for a
// double reads as infinity, so every range check refuses it.
double Number(const std::string& text) {
    try {
        return platform::Val(text);
    } catch (...) {
        return HUGE_VAL;
    }
}

double Whole(const std::string& text) { return platform::RoundHalfEven(Number(text)); }

std::string WholeText(double v) { return std::to_string(static_cast<long long>(v)); }

std::string Trim(const std::string& s) { return TrimBlanks(s); }

Label* Text(QWidget* parent, const std::string& name, const std::string& caption, double left, double top,
            double width, double height = 255) {
    auto* l = new Label(parent, name, caption);
    Move(l, left, top, width, height);
    return l;
}

TextBox* Box(QWidget* parent, const std::string& name, double left, double top, double width = 720) {
    auto* t = new TextBox(parent, name);
    Move(t, left, top, width, 315);
    t->setAlignment(Qt::AlignRight);
    return t;
}

Slider* MakeSlider(QWidget* parent, const std::string& name, double left, double top, double width) {
    auto* s = new Slider(parent, name);
    Move(s, left, top, width, 360);
    s->SetMin(0);
    s->SetMax(300);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(25);
    s->setPageStep(10);
    return s;
}

} // namespace

frmLumoEditTransform::frmLumoEditTransform() : Form("frmLumoEditTransform") {
    SetCaption("LumoEdit - Audio Transformation");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    presets_.resize(1);
    BuildNormalise();
    BuildAmplify();
    BuildMixPaste();
    BuildDeleteSilence();
    BuildTimeStretch();
    cmdOK = new CommandButton(Client(), "cmdOK", "OK");
    cmdOK->SetDefault(true);
    cmdCancel = new CommandButton(Client(), "cmdCancel", "Cancel");
    cmdCancel->SetCancel(true);
    for (CommandButton* b : {cmdOK, cmdCancel}) Move(b, 0, 0, kButtonW, kButtonH);
    On(cmdOK, &CommandButton::Click, this, &frmLumoEditTransform::cmdOK_Click, "cmdOK_Click");
    On(cmdCancel, &CommandButton::Click, this, &frmLumoEditTransform::cmdCancel_Click, "cmdCancel_Click");
}

void frmLumoEditTransform::NumberBox(TextBox* box, bool decimals) {
    OnCall(box, &TextBox::GotFocus, this, [box] { SelectAllText(box); }, "GotFocus");
    OnCall(
        box, &TextBox::KeyPress, this,
        [decimals](int& key) {
            if (decimals && key == '.') return;
            key = helpers::NumericKeyFilter(key, helpers::nkfWhole);
        },
        "KeyPress");
}

void frmLumoEditTransform::Pair(Slider* slider, TextBox* box) {
    SetTag(slider, "0");
    SetTag(box, "0");
    OnCall(
        slider, &Slider::Change, this,
        [slider, box] {
            if (Tag(slider) == "1") return;
            SetTag(box, "1");
            box->SetText(std::to_string(slider->Value()));
            SetTag(box, "0");
        },
        "Slider_Change");
    OnCall(
        box, &TextBox::Change, this,
        [slider, box] {
            if (Tag(box) == "1") return;
            SetTag(slider, "1");
            const double v = helpers::cUtility::ClampDouble(Whole(box->Text()), slider->Min(), slider->Max());
            slider->SetValue(static_cast<int>(v));
            SetTag(slider, "0");
        },
        "Box_Change");
}

void frmLumoEditTransform::BuildNormalise() {
    fraNormalise = new Frame(Client(), "fraNormalise", "Normalise Audio:");
    Move(fraNormalise, 60, 60, 5400, 1140);
    Text(fraNormalise, "lblNormaliseLevelDesc", "Normalise to Volume Level:", 120, 330, 2880);
    txtNormaliseLevel = Box(fraNormalise, "txtNormaliseLevel", 3060, 300);
    Text(fraNormalise, "lblNormalisePercent", "%", 3840, 330, 300);
    chkNormaliseBias = new CheckBox(fraNormalise, "chkNormaliseBias", "Remove any DC-Bias");
    Move(chkNormaliseBias, 120, 720, 4000, 300);
    NumberBox(txtNormaliseLevel, false);
    OnCall(
        txtNormaliseLevel, &TextBox::LostFocus, this,
        [this] {
            txtNormaliseLevel->SetText(
                WholeText(helpers::cUtility::ClampDouble(Whole(txtNormaliseLevel->Text()), 1, 100)));
        },
        "txtNormaliseLevel_LostFocus");
}

void frmLumoEditTransform::BuildAmplify() {
    fraAmplify = new Frame(Client(), "fraAmplify", "Change the Volume:");
    Move(fraAmplify, 60, 60, 5400, 2160);
    Text(fraAmplify, "lblAmplifyLevelDesc", "Amplification Level:", 120, 330, 2280);
    txtAmplifyLevel = Box(fraAmplify, "txtAmplifyLevel", 2460, 300);
    Text(fraAmplify, "lblAmplifyPercent", "%", 3240, 330, 300);
    sldAmplify = MakeSlider(fraAmplify, "sldAmplify", 120, 720, 5160);
    lblAmplifyDescriptionDesc = Text(fraAmplify, "lblAmplifyDescriptionDesc", "", 120, 1200, 5160, 780);
    lblAmplifyDescriptionDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    NumberBox(txtAmplifyLevel, false);
    Pair(sldAmplify, txtAmplifyLevel);
    OnCall(
        txtAmplifyLevel, &TextBox::LostFocus, this,
        [this] {
            txtAmplifyLevel->SetText(WholeText(helpers::cUtility::ClampDouble(Whole(txtAmplifyLevel->Text()), 1, 2000)));
        },
        "txtAmplifyLevel_LostFocus");
}

void frmLumoEditTransform::BuildMixPaste() {
    fraMixPaste = new Frame(Client(), "fraMixPaste", "Mix Paste");
    Move(fraMixPaste, 60, 60, 5400, 2940);
    Text(fraMixPaste, "lblMixPasteOriginalDesc", "Original Audio Level:", 120, 330, 2100);
    txtMixPasteOriginal = Box(fraMixPaste, "txtMixPasteOriginal", 2280, 300);
    Text(fraMixPaste, "lblMixPasteOriginalPercent", "%", 3060, 330, 300);
    sldMixPasteOriginal = MakeSlider(fraMixPaste, "sldMixPasteOriginal", 120, 660, 5160);
    Text(fraMixPaste, "lblMixPasteNewAudioDesc", "Pasted Audio Level:", 120, 1170, 2100);
    txtMixPasteNewAudio = Box(fraMixPaste, "txtMixPasteNewAudio", 2280, 1140);
    Text(fraMixPaste, "lblMixPasteNewAudioPercent", "%", 3060, 1170, 300);
    sldMixPasteNewAudio = MakeSlider(fraMixPaste, "sldMixPasteNewAudio", 120, 1500, 5160);
    lblMixPasteDescriptionDesc = Text(fraMixPaste, "lblMixPasteDescriptionDesc", "", 120, 2010, 5160, 780);
    lblMixPasteDescriptionDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    NumberBox(txtMixPasteOriginal, false);
    NumberBox(txtMixPasteNewAudio, false);
    Pair(sldMixPasteOriginal, txtMixPasteOriginal);
    Pair(sldMixPasteNewAudio, txtMixPasteNewAudio);
}

void frmLumoEditTransform::BuildDeleteSilence() {
    fraDeleteSilence = new Frame(Client(), "fraDeleteSilence", "Delete Silence:");
    Move(fraDeleteSilence, 60, 60, 7680, 2100);
    struct Row {
        TextBox** box;
        const char* name;
        const char* label;
        const char* unit;
    };
    const Row rows[] = {
        {&txtSilenceThreshold, "txtSilenceThreshold", "Silence is defined as where the Audio Level is below (negative):",
         "db"},
        {&txtSilenceAttack, "txtSilenceAttack",
         "Duration that the Audio Level must be below this level before it is deleted:", "milliseconds"},
        {&txtSilenceRelease, "txtSilenceRelease", "Duration that the Audio Level must be above this level to be kept:",
         "milliseconds"},
    };
    double top = 300;
    for (const Row& r : rows) {
        auto* l = Text(fraDeleteSilence, std::string(r.name) + "Desc", r.label, 120, top, 5100, 480);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        *r.box = Box(fraDeleteSilence, r.name, 5280, top + 80, 960);
        Text(fraDeleteSilence, std::string(r.name) + "Unit", r.unit, 6300, top + 110, 1300);
        NumberBox(*r.box, false);
        top += 570;
    }
    OnCall(
        txtSilenceThreshold, &TextBox::LostFocus, this,
        [this] {
            txtSilenceThreshold->SetText(
                WholeText(helpers::cUtility::ClampDouble(Whole(txtSilenceThreshold->Text()), 0, 92)));
        },
        "txtSilenceThreshold_LostFocus");
    for (TextBox* b : {txtSilenceAttack, txtSilenceRelease})
        OnCall(
            b, &TextBox::LostFocus, this,
            [b] {
                if (Number(b->Text()) <= 0) b->SetText("0");
            },
            "txtSilence_LostFocus");
}

void frmLumoEditTransform::BuildTimeStretch() {
    fraTimeStretch = new Frame(Client(), "fraTimeStretch", "Time Stretch Options");
    Move(fraTimeStretch, 60, 60, 8100, 3060);
    Text(fraTimeStretch, "lblStretchCurrentLengthDesc", "Current length of the audio:", 120, 330, 2880);
    lblStretchCurrentLength = Text(fraTimeStretch, "lblStretchCurrentLength", "", 3060, 330, 1800);
    Text(fraTimeStretch, "lblStretchNewLengthDesc", "New length of the audio:", 120, 750, 2880);
    txtStretchNewLength = Box(fraTimeStretch, "txtStretchNewLength", 3060, 720, 1080);
    Text(fraTimeStretch, "lblStretchNewLengthUnit", "seconds", 4200, 750, 900);
    chkTimeStretchPreservePitch = new CheckBox(fraTimeStretch, "chkTimeStretchPreservePitch",
                                               "Preserve the Pitch of the audio");
    Move(chkTimeStretchPreservePitch, 120, 1170, 4200, 300);
    Text(fraTimeStretch, "lblTimeStretchNote", "Note:", 120, 1590, 600);
    lblTimeStretchCaution = Text(fraTimeStretch, "lblTimeStretchCaution",
                                 "Changing the length of a piece of audio by more than 5% while preserving the pitch "
                                 "can produce odd results!",
                                 720, 1590, 4380, 900);
    lblTimeStretchCaution->setWordWrap(true);
    lblTimeStretchCaution->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetForeColor(lblTimeStretchCaution, syscolour::ButtonText);
    Text(fraTimeStretch, "lblStretchPresetsDesc", "Presets:", 5340, 330, 1200);
    listStretchPresets = new ListBox(fraTimeStretch, "listStretchPresets");
    Move(listStretchPresets, 5340, 600, 2640, 1800);
    cmdStretchAddPreset = new CommandButton(fraTimeStretch, "cmdStretchAddPreset", "Add");
    Move(cmdStretchAddPreset, 5340, 2520, 1260, 375);
    cmdStretchAddPreset->setToolTip(QStringLiteral("Save the current settings as a Preset"));
    cmdStretchDeletePreset = new CommandButton(fraTimeStretch, "cmdStretchDeletePreset", "Delete");
    Move(cmdStretchDeletePreset, 6720, 2520, 1260, 375);
    cmdStretchDeletePreset->setToolTip(QStringLiteral("Delete the highlit Preset"));
    cmdStretchDeletePreset->setEnabled(false);
    NumberBox(txtStretchNewLength, true);
    On(chkTimeStretchPreservePitch, &CheckBox::Click, this, &frmLumoEditTransform::chkTimeStretchPreservePitch_Click,
       "chkTimeStretchPreservePitch_Click");
    On(txtStretchNewLength, &TextBox::Change, this, &frmLumoEditTransform::chkTimeStretchPreservePitch_Click,
       "txtStretchNewLength_Change");
    On(listStretchPresets, &ListBox::Click, this, &frmLumoEditTransform::listStretchPresets_Click,
       "listStretchPresets_Click");
    On(cmdStretchAddPreset, &CommandButton::Click, this, &frmLumoEditTransform::cmdStretchAddPreset_Click,
       "cmdStretchAddPreset_Click");
    On(cmdStretchDeletePreset, &CommandButton::Click, this, &frmLumoEditTransform::cmdStretchDeletePreset_Click,
       "cmdStretchDeletePreset_Click");
}

void frmLumoEditTransform::ShowTransformFrame(Frame* frame) {
    cancelled_ = false;
    if (!frame) return;
    for (Frame* f : {fraNormalise, fraAmplify, fraMixPaste, fraDeleteSilence, fraTimeStretch})
        SetVisible(f, f == frame);
    SetLeft(frame, 60);
    SetTop(frame, 60);
    const double inner = Left(frame) + Width(frame) + 60;
    const double top = Top(frame) + Height(frame) + 90;
    Move(cmdCancel, inner - 120 - Width(cmdCancel), top, Width(cmdCancel), Height(cmdCancel));
    Move(cmdOK, Left(cmdCancel) - 120 - Width(cmdOK), top, Width(cmdOK), Height(cmdOK));
    SetClientSize(this, inner, Top(cmdOK) + Height(cmdOK) + 90);
}

// Shows the dialog until OK or Cancel hides it. Only an OK whose checks passed counts: a
// dialog hidden any other way is a cancel.
bool frmLumoEditTransform::Run() {
    accepted_ = false;
    Show(Modal, Owner);
    return accepted_ && !cancelled_;
}

bool frmLumoEditTransform::CheckLevel(TextBox* box, double lowest, double highest, const std::string& message) {
    const double v = Whole(box->Text());
    if (v >= lowest && v <= highest) return true;
    platform::MsgBox(message, platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    return false;
}

// What OK checks are the rounded values that the caller will get, so whatever reached the
// box (typed, pasted, or confirmed with Enter before the box lost the focus) is in range.
void frmLumoEditTransform::cmdOK_Click() {
    if (Visible(fraNormalise) && !CheckLevel(txtNormaliseLevel, 1, 100, "You must enter a number from 1 to 100"))
        return;
    if (Visible(fraAmplify) && !CheckLevel(txtAmplifyLevel, 1, 2000, "You must enter a number from 1 to 2000"))
        return;
    if (Visible(fraMixPaste)) {
        const std::pair<TextBox*, Slider*> levels[] = {{txtMixPasteOriginal, sldMixPasteOriginal},
                                                       {txtMixPasteNewAudio, sldMixPasteNewAudio}};
        const char* what[] = {"original", "new"};
        for (int i = 0; i < 2; ++i) {
            const auto [box, slider] = levels[i];
            const double v = Whole(box->Text());
            if (!(v > slider->Min() && v <= slider->Max())) {
                platform::MsgBox(std::string("You must enter a number for the ") + what[i] + " audio from " +
                                     std::to_string(slider->Min()) + " to " + std::to_string(slider->Max()),
                                 platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
                return;
            }
        }
    }
    if (Visible(fraDeleteSilence)) {
        if (!CheckLevel(txtSilenceThreshold, 0, 92, "You must enter a silence level from 0 to 92 db")) return;
        for (TextBox* b : {txtSilenceAttack, txtSilenceRelease})
            if (!CheckLevel(b, 0, 1048576, "You must enter a duration from 0 to 1048576 milliseconds")) return;
    }
    if (Visible(fraTimeStretch)) {
        const double length = Number(txtStretchNewLength->Text());
        const double current = CurrentLength();
        if (!(length > 0)) {
            platform::MsgBox("You must enter a new length for the audio", platform::MsgButtons::OK,
                             platform::MsgIcon::Exclamation);
            return;
        }
        if (length > 4 * current) {
            platform::MsgBox("You cannot stretch the audio to more than 4 times its original length",
                             platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
            return;
        }
    }
    cancelled_ = false;
    accepted_ = true;
    Hide();
}

void frmLumoEditTransform::cmdCancel_Click() {
    cancelled_ = true;
    Hide();
}

void frmLumoEditTransform::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode == FormControlMenu) {
        Cancel = 1;
        cmdCancel_Click();
    }
}

double frmLumoEditTransform::CurrentLength() const { return Number(lblStretchCurrentLength->Caption()); }

// ---- the five functions -------------------------------------------------------------------

bool frmLumoEditTransform::Normalise(std::int16_t& level, bool& DCBias) {
    txtNormaliseLevel->SetText(std::to_string(helpers::cUtility::ClampLong(level, 1, 100)));
    chkNormaliseBias->SetValue(DCBias ? 1 : 0);
    ShowTransformFrame(fraNormalise);
    const bool ok = Run();
    if (ok) {
        level = static_cast<std::int16_t>(Whole(txtNormaliseLevel->Text()));
        DCBias = chkNormaliseBias->Value() == 1;
    }
    Unload();
    QCoreApplication::processEvents();
    return ok;
}

bool frmLumoEditTransform::Amplify(std::int16_t& level) {
    lblAmplifyDescriptionDesc->SetCaption(kLevelDescription);
    txtAmplifyLevel->SetText(std::to_string(helpers::cUtility::ClampLong(level, 1, 300)));
    ShowTransformFrame(fraAmplify);
    const bool ok = Run();
    if (ok) level = static_cast<std::int16_t>(Whole(txtAmplifyLevel->Text()));
    Unload();
    QCoreApplication::processEvents();
    return ok;
}

bool frmLumoEditTransform::MixPaste(std::int16_t& OriginalLevel, std::int16_t& NewAudioLevel) {
    lblMixPasteDescriptionDesc->SetCaption(kLevelDescription);
    txtMixPasteOriginal->SetText(std::to_string(helpers::cUtility::ClampLong(OriginalLevel, 1, 300)));
    txtMixPasteNewAudio->SetText(std::to_string(helpers::cUtility::ClampLong(NewAudioLevel, 1, 300)));
    ShowTransformFrame(fraMixPaste);
    const bool ok = Run();
    if (ok) {
        OriginalLevel = static_cast<std::int16_t>(Whole(txtMixPasteOriginal->Text()));
        NewAudioLevel = static_cast<std::int16_t>(Whole(txtMixPasteNewAudio->Text()));
    }
    Unload();
    QCoreApplication::processEvents();
    return ok;
}

bool frmLumoEditTransform::DeleteSilence(std::int16_t& Threshold, std::int32_t& AttackTimeMS,
                                         std::int32_t& ReleaseTimeMS) {
    if (AttackTimeMS < 0) AttackTimeMS = 0;
    if (ReleaseTimeMS < 0) ReleaseTimeMS = 0;
    txtSilenceThreshold->SetText(std::to_string(helpers::cUtility::ClampLong(Threshold, 0, 92)));
    txtSilenceAttack->SetText(std::to_string(AttackTimeMS));
    txtSilenceRelease->SetText(std::to_string(ReleaseTimeMS));
    ShowTransformFrame(fraDeleteSilence);
    const bool ok = Run();
    if (ok) {
        Threshold = static_cast<std::int16_t>(Whole(txtSilenceThreshold->Text()));
        AttackTimeMS = static_cast<std::int32_t>(Whole(txtSilenceAttack->Text()));
        ReleaseTimeMS = static_cast<std::int32_t>(Whole(txtSilenceRelease->Text()));
    }
    Unload();
    QCoreApplication::processEvents();
    return ok;
}

bool frmLumoEditTransform::Stretch(double CurrentAudioLength, float& NewAudioLength, bool& PreservePitch) {
    NewAudioLength = static_cast<float>(helpers::cUtility::ClampDouble(NewAudioLength, 0.1, 4 * CurrentAudioLength));
    lblStretchCurrentLength->SetCaption(platform::FormatSingle(static_cast<float>(CurrentAudioLength)) + " seconds");
    txtStretchNewLength->SetText(platform::FormatSingle(NewAudioLength));
    chkTimeStretchPreservePitch->SetValue(PreservePitch ? 1 : 0);
    chkTimeStretchPreservePitch_Click();
    presets_.resize(1);
    LoadStretchPresets();
    ShowTransformFrame(fraTimeStretch);
    const bool ok = Run();
    if (ok) {
        NewAudioLength = static_cast<float>(Number(txtStretchNewLength->Text()));
        PreservePitch = chkTimeStretchPreservePitch->Value() == 1;
    }
    Unload();
    QCoreApplication::processEvents();
    return ok;
}

// ---- time stretch: caution and presets ------------------------------------------------------

void frmLumoEditTransform::chkTimeStretchPreservePitch_Click() {
    const double length = Number(txtStretchNewLength->Text());
    const double current = CurrentLength();
    const bool caution = chkTimeStretchPreservePitch->Value() == 1 && (length < 0.95 * current || length > 1.05 * current);
    const OleColour colour = caution ? kCautionRed : syscolour::ButtonText;
    if (ForeColor(lblTimeStretchCaution) != colour) SetForeColor(lblTimeStretchCaution, colour);
}

void frmLumoEditTransform::LoadStretchPresets() {
    for (const StretchPreset& p : ParseStretchPresets(Preferences().GetPreference(kPresetsPreference, kDefaultPresets)))
        presets_.push_back(Preset{p.Title, p.Seconds, p.PreservePitch});
    FillPresetList();
    listStretchPresets->SetListIndex(-1);
    cmdStretchDeletePreset->setEnabled(false);
}

void frmLumoEditTransform::FillPresetList() {
    listStretchPresets->Clear();
    for (std::size_t i = 1; i < presets_.size(); ++i) {
        listStretchPresets->AddItem(presets_[i].Title);
        listStretchPresets->SetItemData(listStretchPresets->NewIndex(), static_cast<long>(i));
    }
    cmdStretchDeletePreset->setEnabled(listStretchPresets->ListIndex() >= 0);
}

void frmLumoEditTransform::listStretchPresets_Click() {
    const int row = listStretchPresets->ListIndex();
    cmdStretchDeletePreset->setEnabled(row >= 0);
    if (row < 0) return;
    const auto index = static_cast<std::size_t>(listStretchPresets->ItemData(row));
    if (index < 1 || index >= presets_.size()) return;
    txtStretchNewLength->SetText(platform::FormatSingle(presets_[index].Seconds));
    chkTimeStretchPreservePitch->SetValue(presets_[index].PreservePitch ? 1 : 0);
}

void frmLumoEditTransform::cmdStretchAddPreset_Click() {
    const double seconds = Number(txtStretchNewLength->Text());
    if (!(seconds > 0) || !std::isfinite(seconds) || seconds > 3.4e38) {
        platform::MsgBox("You must enter a length to add a Preset", platform::MsgButtons::OK,
                         platform::MsgIcon::Exclamation);
        return;
    }
    std::string title;
    if (GoodInputBox("What do you want to call this Preset?", "Add Time Stretch Preset", "", 0, title, this, "", true))
        return;
    if (title.find('|') != std::string::npos || title.find(',') != std::string::npos) {
        platform::MsgBox("You cannot use commas or pipe ('|') characters in Preset's Titles", platform::MsgButtons::OK,
                         platform::MsgIcon::Exclamation);
        return;
    }
    if (Trim(title).empty()) return;
    presets_.push_back(Preset{Trim(title), static_cast<float>(seconds), chkTimeStretchPreservePitch->Value() == 1});
    listStretchPresets->AddItem(title);
    listStretchPresets->SetItemData(listStretchPresets->NewIndex(), static_cast<long>(presets_.size() - 1));
    SaveStretchPresets();
}

void frmLumoEditTransform::cmdStretchDeletePreset_Click() {
    const int row = listStretchPresets->ListIndex();
    if (row < 0) return;
    const auto index = static_cast<std::size_t>(listStretchPresets->ItemData(row));
    if (index < 1 || index >= presets_.size()) return;
    presets_.erase(presets_.begin() + static_cast<std::ptrdiff_t>(index));
    FillPresetList();
    SaveStretchPresets();
}

void frmLumoEditTransform::SaveStretchPresets() {
    std::vector<StretchPreset> table;
    for (std::size_t i = 1; i < presets_.size(); ++i)
        table.push_back(StretchPreset{presets_[i].Title, presets_[i].Seconds, presets_[i].PreservePitch});
    Preferences().SetPreference(kPresetsPreference, FormatStretchPresets(table), "");
}

} // namespace lumoedit
