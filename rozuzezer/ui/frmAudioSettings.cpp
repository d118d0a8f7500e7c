#include "rozuzezer/ui/frmAudioSettings.h"

#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Numeric.h"
#include "platform/devices/Devices.h"
#include "platform/fs/Process.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Handlers.h"
#include "platform/ui/Twips.h"
#include "rozuzezer/core/WaveDevices.h"
#include "rozuzezer/ui/AudioFormatChooser.h"
#include "rozuzezer/ui/DialogSupport.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/Utility.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>
#include <functional>

namespace rozuzezer::ui {

using namespace platform::ui;
using platform::MsgBox;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::devices::Direction;

namespace {

constexpr const char* kSetMessage = "You must enter a number of Players from 1 to ";

// Esc typed in the player list's open drop-down part hides the list. That part is a window of
// its own, which the dialog's key preview does not see, so the list watches it itself.
class EscapeInDropDown : public QObject {
public:
    EscapeInDropDown(QObject* parent, std::function<void()> onEscape) : QObject(parent), onEscape_(std::move(onEscape)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape) return false;
        RunHandler("cboPlayer_KeyPress", onEscape_);
        return true;
    }

private:
    std::function<void()> onEscape_;
};

std::string PlayerText(int p) {
    if (p < 0) return "< Unassigned >";
    if (p == 0) return "Any Player";
    if (p == 99 || p == 255) return "Last Player";
    return "Player " + std::to_string(p);
}

// Sound card s is device s - 1; 0 (and a card that fixes no device) the default device.
std::string DeviceName(Direction d, int s) {
    const auto caps = platform::devices::GetDeviceCaps(d, s >= 0 ? s - 1 : -1);
    return caps ? caps->name : std::string();
}

// Everything OK writes, so a profile that could not be saved leaves the object as it was.
struct Written {
    VBool automatic;
    std::int32_t players, eject, alignment;
    std::int16_t general, duck, swept, group, advert, ducking, priority, first, last, instant, hook,
        preview, record, edit, legacy, buffers, idle, debug, allowOther, recordLocal, fade;
    std::vector<std::int16_t> cards;
    std::string editor, format;

    explicit Written(const cAudioSettings& s)
        : automatic(s.AutomaticPlayerAssignment), players(s.NumberPlayers),
          eject(s.OnlyAllowEjectStoppedCarts), alignment(s.PlayerDisplayAlignment),
          general(s.GeneralVolume), duck(s.DuckAudioVolume), swept(s.SweptAudioVolume),
          group(s.CartGroupVolume), advert(s.AdvertVolume), ducking(s.UsePlayerDucking),
          priority(s.AudioEditorPriority), first(s.FirstPlayer), last(s.LastPlayer),
          instant(s.InstantPlayerNumber), hook(s.HookPlayer), preview(s.PreviewPlayer),
          record(s.RecordingSoundCardNumber), edit(s.EditSoundCardNumber),
          legacy(s.UseLegacyFileCopyMode), buffers(s.LumoStreamUseLargeBuffers),
          idle(s.AudioEditorRunAtIdleSpeed), debug(s.LumoStreamDebugMode),
          allowOther(s.AudioAllowOtherFormat), recordLocal(s.AudioRecordLocal),
          fade(s.FadeFirePercent), editor(s.AudioEditor), format(s.AudioFormat()->FormatText()) {
        for (int i = 1; i <= s.MAXPLAYERS(); ++i)
            cards.push_back(s.PlayerSoundCardNumber(static_cast<std::int16_t>(i)));
    }

    void Restore(cAudioSettings& s) const {
        s.AutomaticPlayerAssignment = automatic;
        s.NumberPlayers = players;
        s.OnlyAllowEjectStoppedCarts = eject;
        s.PlayerDisplayAlignment = alignment;
        s.GeneralVolume = general;
        s.DuckAudioVolume = duck;
        s.SweptAudioVolume = swept;
        s.CartGroupVolume = group;
        s.AdvertVolume = advert;
        s.UsePlayerDucking = ducking;
        s.AudioEditorPriority = priority;
        s.FirstPlayer = first;
        s.LastPlayer = last;
        s.InstantPlayerNumber = instant;
        s.HookPlayer = hook;
        s.PreviewPlayer = preview;
        s.RecordingSoundCardNumber = record;
        s.EditSoundCardNumber = edit;
        s.UseLegacyFileCopyMode = legacy;
        s.LumoStreamUseLargeBuffers = buffers;
        s.AudioEditorRunAtIdleSpeed = idle;
        s.LumoStreamDebugMode = debug;
        s.AudioAllowOtherFormat = allowOther;
        s.AudioRecordLocal = recordLocal;
        s.FadeFirePercent = fade;
        s.AudioEditor = editor;
        s.AudioFormat()->SetFormatText(format);
        for (std::size_t i = 0; i < cards.size(); ++i)
            s.SetPlayerSoundCardNumber(static_cast<std::int16_t>(i + 1), cards[i]);
    }
};

} // namespace

frmAudioSettings::frmAudioSettings(QWidget* owner) : Form("frmAudioSettings", owner) {
    SetCaption("Audio Settings");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    SetKeyPreview(true);
    QWidget* c = Client();
    tbsView = new TabStrip(c, "tbsView");
    Move(tbsView, 120, 120, 10560, 6480);
    BuildPlayersTab(tbsView->AddTab("Cart Players"));
    BuildPlaybackTab(tbsView->AddTab("Playback Settings"));
    BuildRecEditTab(tbsView->AddTab("Rec/Edit Settings"));
    BuildAdvancedTab(tbsView->AddTab("Advanced"));

    cmdOK = new CommandButton(c, "cmdOK", "OK");
    cmdOK->SetDefault(true);
    Move(cmdOK, 7980, 6720, 1215, 375);
    cmdCancel = new CommandButton(c, "cmdCancel", "Cancel");
    Move(cmdCancel, 9465, 6720, 1215, 375);
    On(cmdOK, &CommandButton::Click, this, &frmAudioSettings::cmdOK_Click, "cmdOK_Click");
    On(cmdCancel, &CommandButton::Click, this, &frmAudioSettings::cmdCancel_Click, "cmdCancel_Click");

    valueBoxes_ = {{txtGeneralVolume, 1, 100},   {txtDuckVolume, 0, 100},      {txtSweeperVol, 1, 100},
                   {txtCartVolume, 0, 100},      {txtCartGroupVolume, 0, 100}, {txtAdvertVolume, 0, 100},
                   {txtFadePercent, 0, 100},     {txtNumberCartPlayers, 1, kMaxPlayers}};
    for (const ValueBox& v : valueBoxes_) WireValueBox(v);
    OnCall(txtAudioEditor, &TextBox::GotFocus, this, [this] { SelectAllText(txtAudioEditor); }, "txtAudioEditor_GotFocus");
    SetClientSizeTwips(this, 10800, 7215);
}

frmAudioSettings::~frmAudioSettings() { DisconnectFromWindow(this); }

void frmAudioSettings::BuildPlayersTab(QWidget* page) {
    fraPlayers = new Frame(page, "fraPlayers", "Cart Players and Sound devices:");
    Move(fraPlayers, 120, 120, 10260, 5760);
    lblPlayerDisplayAlignmentDesc = new Label(fraPlayers, "lblPlayerDisplayAlignmentDesc", "Player Display Alignment:");
    Move(lblPlayerDisplayAlignmentDesc, 240, 405, 4020, 285);
    comboPlayerDisplayAlignment = new ComboBox(fraPlayers, "comboPlayerDisplayAlignment");
    Move(comboPlayerDisplayAlignment, 4320, 360, 5700, 330);
    lblDeviceAllocationDesc = new Label(fraPlayers, "lblDeviceAllocationDesc", "Allocation of Sound Devices to Players:");
    Move(lblDeviceAllocationDesc, 240, 825, 4020, 285);
    cboPlayerAllocation = new ComboBox(fraPlayers, "cboPlayerAllocation");
    Move(cboPlayerAllocation, 4320, 780, 5700, 330);
    lblNumberCartPlayers = new Label(fraPlayers, "lblNumberCartPlayers",
                                     "Number of Cart Players to use (normally the same as the number of sound devices) :");
    lblNumberCartPlayers->setWordWrap(true);
    Move(lblNumberCartPlayers, 240, 1200, 7800, 480);
    txtNumberCartPlayers = new TextBox(fraPlayers, "txtNumberCartPlayers");
    Move(txtNumberCartPlayers, 8160, 1260, 600, 330);
    cmdSetNoPlayers = new CommandButton(fraPlayers, "cmdSetNoPlayers", "Set");
    Move(cmdSetNoPlayers, 8880, 1238, 1140, 375);
    grdPlayers = new Grid(fraPlayers, "grdPlayers");
    Move(grdPlayers, 240, 1800, 9780, 3780);
    {
        // Whole rows only, so the last one shown is never cut in half.
        const int row = grdPlayers->verticalHeader()->defaultSectionSize();
        const int frame = 2 * grdPlayers->frameWidth();
        const int rows = std::max(1, (TwipsToPixelsY(3780) - frame) / row);
        SetHeight(grdPlayers, PixelsToTwipsY(rows * row + frame));
    }
    cboPlayer = new ComboBox(fraPlayers, "cboPlayer");
    SetVisible(cboPlayer, false);
    cboPlayer->view()->installEventFilter(new EscapeInDropDown(cboPlayer, [this] { HidePlayerList(); }));

    On(cmdSetNoPlayers, &CommandButton::Click, this, &frmAudioSettings::cmdSetNoPlayers_Click, "cmdSetNoPlayers_Click");
    On(cboPlayerAllocation, &ComboBox::Click, this, &frmAudioSettings::cboPlayerAllocation_Click, "cboPlayerAllocation_Click");
    On(grdPlayers, &Grid::MouseUp, this, &frmAudioSettings::grdPlayers_MouseUp, "grdPlayers_MouseUp");
    On(grdPlayers, &Grid::SelChange, this, &frmAudioSettings::grdPlayers_SelChange, "grdPlayers_SelChange");
    On(grdPlayers, &Grid::Scroll, this, &frmAudioSettings::HidePlayerList, "HidePlayerList");
    On(cboPlayer, &ComboBox::Click, this, &frmAudioSettings::cboPlayer_Click, "cboPlayer_Click");
    // The list goes when the focus leaves it for another control of the dialog (its own
    // drop-down part is a window of its own and does not count).
    OnCall(
        qApp, &QApplication::focusChanged, this,
        [this](QWidget* old, QWidget* now) {
            if (old == cboPlayer && now && now->window() == window() && now != cboPlayer) HidePlayerList();
        },
        "cboPlayer_LostFocus");
}

void frmAudioSettings::BuildPlaybackTab(QWidget* page) {
    fraPlaybackOther = new Frame(page, "fraPlaybackOther", "Other Options:");
    Move(fraPlaybackOther, 120, 120, 10260, 780);
    lblAllowEjectCartsDesc = new Label(fraPlaybackOther, "lblAllowEjectCartsDesc", "When should Carts be allowed to be ejected:");
    Move(lblAllowEjectCartsDesc, 240, 375, 4440, 285);
    cboAllowEject = new ComboBox(fraPlaybackOther, "cboAllowEject");
    Move(cboAllowEject, 4680, 330, 5340, 330);

    framePlayoutOrder = new Frame(page, "framePlayoutOrder", "Cart Player Usage Order:");
    Move(framePlayoutOrder, 120, 1020, 10260, 780);
    lblFirstPlayerOrder = new Label(framePlayoutOrder, "lblFirstPlayerOrder", "Play carts starting with");
    Move(lblFirstPlayerOrder, 240, 375, 2400, 285);
    listFirstPlayerOrder = new ComboBox(framePlayoutOrder, "listFirstPlayerOrder");
    Move(listFirstPlayerOrder, 2700, 330, 2580, 330);
    lblLastPlayerOrder = new Label(framePlayoutOrder, "lblLastPlayerOrder", "and finishing with");
    Move(lblLastPlayerOrder, 5460, 375, 2040, 285);
    listLastPlayerOrder = new ComboBox(framePlayoutOrder, "listLastPlayerOrder");
    Move(listLastPlayerOrder, 7560, 330, 2460, 330);

    fraPlaybackVol = new Frame(page, "fraPlaybackVol", "Playback Volumes:");
    Move(fraPlaybackVol, 120, 1920, 10260, 3960);
    lblFadePercentDesc[0] = new Label(fraPlaybackVol, "lblFadePercentDesc(0)",
                                      "When segueing carts, fire the next when the current has faded to");
    Move(lblFadePercentDesc[0], 240, 405, 9780, 285);
    txtFadePercent = new TextBox(fraPlaybackVol, "txtFadePercent");
    Move(txtFadePercent, 240, 765, 600, 330);
    lblFadePercentDesc[1] = new Label(fraPlaybackVol, "lblFadePercentDesc(1)", "% of maximum volume.");
    Move(lblFadePercentDesc[1], 960, 810, 3600, 285);

    fraNormaVolumes = new Frame(fraPlaybackVol, "fraNormaVolumes", "Playback Volumes:");
    Move(fraNormaVolumes, 240, 1260, 9780, 2520);
    lblGeneralVOl = new Label(fraNormaVolumes, "lblGeneralVOl", "Play normal carts at:");
    Move(lblGeneralVOl, 240, 405, 2640, 285);
    txtGeneralVolume = new TextBox(fraNormaVolumes, "txtGeneralVolume");
    Move(txtGeneralVolume, 3000, 360, 600, 330);
    lblGeneralVolDesc = new Label(fraNormaVolumes, "lblGeneralVolDesc", "% of maximum volume");
    Move(lblGeneralVolDesc, 3720, 405, 3000, 285);
    lblSweeperVolDesc = new Label(fraNormaVolumes, "lblSweeperVolDesc", "When playing a sweeper:");
    Move(lblSweeperVolDesc, 240, 900, 4000, 285);
    optDucking = new OptionButton(fraNormaVolumes, "optDucking", "'Duck' the other cart to");
    Move(optDucking, 480, 1320, 2460, 300);
    txtDuckVolume = new TextBox(fraNormaVolumes, "txtDuckVolume");
    Move(txtDuckVolume, 3000, 1305, 600, 330);
    lblDuckVolumePerc = new Label(fraNormaVolumes, "lblDuckVolumePerc", "% of maximum volume");
    Move(lblDuckVolumePerc, 3720, 1350, 3000, 285);
    optSweeper = new OptionButton(fraNormaVolumes, "optSweeper", "Play the sweeper at");
    Move(optSweeper, 480, 1800, 2460, 300);
    txtSweeperVol = new TextBox(fraNormaVolumes, "txtSweeperVol");
    Move(txtSweeperVol, 3000, 1785, 600, 330);
    lblSweepVolumePerc = new Label(fraNormaVolumes, "lblSweepVolumePerc", "% of maximum volume");
    Move(lblSweepVolumePerc, 3720, 1830, 3000, 285);

    fraTesselCartVolumes = new Frame(fraPlaybackVol, "fraTesselCartVolumes", "Cart Volumes:");
    Move(fraTesselCartVolumes, 240, 1260, 9780, 2520);
    auto row = [this](const char* label, const char* caption, const char* box, double top, Label*& l, TextBox*& t) {
        l = new Label(fraTesselCartVolumes, label, caption);
        Move(l, 240, top + 45, 6600, 285);
        t = new TextBox(fraTesselCartVolumes, box);
        Move(t, 6960, top, 600, 330);
    };
    row("lblCartVolume", "Percentage of maximimum Volume to play General Carts at:", "txtCartVolume", 360,
        lblCartVolume, txtCartVolume);
    row("lblCartGroupVolume", "Percentage of maximimum Volume to play Cart Groups at:", "txtCartGroupVolume", 840,
        lblCartGroupVolume, txtCartGroupVolume);
    row("lblAdvertVolume", "Percentage of maximimum Volume to play Adverts at:", "txtAdvertVolume", 1320,
        lblAdvertVolume, txtAdvertVolume);
    SetVisible(fraTesselCartVolumes, false);

    On(optDucking, &OptionButton::Click, this, &frmAudioSettings::optDucking_Click, "optDucking_Click");
    On(optSweeper, &OptionButton::Click, this, &frmAudioSettings::optDucking_Click, "optDucking_Click");
}

void frmAudioSettings::BuildRecEditTab(QWidget* page) {
    chkAudioEditor = new CheckBox(page, "chkAudioEditor",
                                  "As well as LumoEdit(TM), also allow an External Audio Editor used to edit audio:");
    Move(chkAudioEditor, 240, 180, 10140, 300);
    fraEditAudioSettings = new Frame(page, "fraEditAudioSettings");
    Move(fraEditAudioSettings, 120, 540, 10260, 1860);
    txtAudioEditor = new TextBox(fraEditAudioSettings, "txtAudioEditor");
    Move(txtAudioEditor, 240, 300, 8460, 330);
    cmdSelectAudioEditor = new CommandButton(fraEditAudioSettings, "cmdSelectAudioEditor", "Choose");
    cmdSelectAudioEditor->setIcon(ThemeIcon("document-open"));
    Move(cmdSelectAudioEditor, 8820, 278, 1200, 375);
    lblEditingPriorityDesc = new Label(fraEditAudioSettings, "lblEditingPriorityDesc", "Priority:");
    Move(lblEditingPriorityDesc, 240, 915, 1000, 285);
    sldEditPriority = new Slider(fraEditAudioSettings, "sldEditPriority");
    sldEditPriority->setOrientation(Qt::Horizontal);
    sldEditPriority->SetMin(0);
    sldEditPriority->SetMax(20);
    sldEditPriority->setTickPosition(QSlider::TicksBelow);
    sldEditPriority->setToolTip(Q("Adjusts how time is shared between this product and the Audio Editor during editing"));
    Move(sldEditPriority, 1320, 840, 8700, 420);
    lblEditPriorityDescProduct = new Label(fraEditAudioSettings, "lblEditPriorityDescProduct", "Brevant products run faster");
    Move(lblEditPriorityDescProduct, 1320, 1320, 3300, 285);
    lblEditPriorityDescEditor = new Label(fraEditAudioSettings, "lblEditPriorityDescEditor", "Editor runs faster");
    lblEditPriorityDescEditor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Move(lblEditPriorityDescEditor, 6720, 1320, 3300, 285);

    fraRecordSettings = new Frame(page, "fraRecordSettings", "Record Audio Settings:");
    Move(fraRecordSettings, 120, 2520, 10260, 2160);
    chkAllowDifferentFormat = new CheckBox(fraRecordSettings, "chkAllowDifferentFormat",
                                           "Also allow users to choose a different format to record audio with");
    Move(chkAllowDifferentFormat, 240, 360, 9780, 300);
    lblAudioFormatDesc = new Label(fraRecordSettings, "lblAudioFormatDesc", "New Audio will be recorded using the audio format:");
    Move(lblAudioFormatDesc, 240, 780, 7000, 285);
    lblAudioFormat = new Label(fraRecordSettings, "lblAudioFormat");
    QFont bold = lblAudioFormat->font();
    bold.setBold(true);
    lblAudioFormat->setFont(bold);
    Move(lblAudioFormat, 480, 1125, 8220, 285);
    cmdSelectAudioFormat = new CommandButton(fraRecordSettings, "cmdSelectAudioFormat", "Choose");
    cmdSelectAudioFormat->setIcon(ThemeIcon("audio-x-generic"));
    Move(cmdSelectAudioFormat, 8820, 1080, 1200, 375);
    chkRecordLocal = new CheckBox(fraRecordSettings, "chkRecordLocal",
                                  "Record files to the local disk, then transfer them to the network.");
    Move(chkRecordLocal, 240, 1620, 9780, 300);

    On(chkAudioEditor, &CheckBox::Click, this, &frmAudioSettings::chkAudioEditor_Click, "chkAudioEditor_Click");
    On(cmdSelectAudioEditor, &CommandButton::Click, this, &frmAudioSettings::cmdSelectAudioEditor_Click, "cmdSelectAudioEditor_Click");
    On(cmdSelectAudioFormat, &CommandButton::Click, this, &frmAudioSettings::cmdSelectAudioFormat_Click, "cmdSelectAudioFormat_Click");
}

void frmAudioSettings::BuildAdvancedTab(QWidget* page) {
    lblDebugMode = new Label(page, "lblDebugMode", "Audio Debugging Mode:");
    Move(lblDebugMode, 240, 285, 2400, 285);
    comboDebug = new ComboBox(page, "comboDebug");
    Move(comboDebug, 2700, 240, 3300, 330);
    for (const char* e : {"Play Normally", "Use Basic Debugging", "Use Medium Debugging", "Use Full Debugging!"})
        comboDebug->AddItem(e);
    cmdLumoTweak = new CommandButton(page, "cmdLumoTweak",
                                     "Advanced LumoStream(TM) settings. Only change if directed to by Brevant.");
    cmdLumoTweak->setIcon(ThemeIcon("configure"));
    Move(cmdLumoTweak, 240, 720, 10140, 420);
    lblAdvancedSettingsWarningDesc = new Label(page, "lblAdvancedSettingsWarningDesc",
                                               "Changing the following settings could result in losing information from your "
                                               "Verudivur. You should consult Brevant Ltd. before continuing.");
    lblAdvancedSettingsWarningDesc->setWordWrap(true);
    Move(lblAdvancedSettingsWarningDesc, 240, 1320, 10140, 510);
    uAdvancedSettings = new uListSettings(page, "uAdvancedSettings");
    Move(uAdvancedSettings, 240, 1920, 10140, 3840);
    On(cmdLumoTweak, &CommandButton::Click, this, &frmAudioSettings::cmdLumoTweak_Click, "cmdLumoTweak_Click");
}

void frmAudioSettings::WireValueBox(const ValueBox& v) {
    TextBox* box = v.box;
    OnCall(box, &TextBox::GotFocus, this, [box] { SelectAllText(box); }, "GotFocus");
    OnCall(box, &TextBox::KeyPress, this, [](int& key) { key = NumericKey(key); }, "KeyPress");
    OnCall(
        box, &TextBox::LostFocus, this,
        [box, v] {
            if (!box->Locked()) box->SetText(std::to_string(ClampedValue(box->Text(), v.lowest, v.highest)));
        },
        "LostFocus");
}

// ---- load and set-up ---------------------------------------------------------------------

void frmAudioSettings::Form_Load() {
    Cancelled = false;
    tbsView->SetTab(0);
    workingFormat_ = platform::component::MakeRef<helpers::cAudioFormat>();
    comboPlayerDisplayAlignment->Clear();
    comboPlayerDisplayAlignment->AddItem("Align the players along the top edge of the window");
    comboPlayerDisplayAlignment->SetItemData(comboPlayerDisplayAlignment->NewIndex(), pdaTop);
    comboPlayerDisplayAlignment->AddItem("Align the players along the bottom edge of the window");
    comboPlayerDisplayAlignment->SetItemData(comboPlayerDisplayAlignment->NewIndex(), pdaBottom);
    comboPlayerDisplayAlignment->SetListIndex(comboPlayerDisplayAlignment->NewIndex());

    grdPlayers->SetRedraw(false);
    grdPlayers->SetCols(3);
    grdPlayers->SetRows(1);
    grdPlayers->SetFixedRows(1);
    // Column 1 also leaves room for the scroll bar that a long list of players brings.
    const double width = Width(grdPlayers);
    const double scrollBar = PixelsToTwipsX(grdPlayers->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    grdPlayers->SetColWidth(0, width / 3);
    grdPlayers->SetColWidth(1, width - 90 - width / 3 - scrollBar);
    grdPlayers->SetColWidth(2, 0);
    grdPlayers->SetRedraw(true);
    SetBackColor(grdPlayers, syscolour::ButtonFace);
    SetEnabled(grdPlayers, false);
    // The order lists open with the grid, once a number of players is set.
    for (QWidget* w : std::initializer_list<QWidget*>{framePlayoutOrder, lblFirstPlayerOrder, listFirstPlayerOrder,
                                                      lblLastPlayerOrder, listLastPlayerOrder})
        SetEnabled(w, false);
    SetScreenMousePointer(PointerDefault);
}

void frmAudioSettings::SetSettings(cAudioSettings* settings) {
    Cancelled = false;
    if (!settings) return;
    if (!IsLoaded()) Load();
    settings_ = settings;
    cAudioSettings& s = *settings;
    workingFormat_ = platform::component::MakeRef<helpers::cAudioFormat>();
    platform::devices::ScopedSnapshot devices; // one reading of the devices for the whole set-up

    SetTag(cboPlayerAllocation, "1");
    cboPlayerAllocation->Clear();
    cboPlayerAllocation->AddItem("Automatically assign suitable devices to players");
    cboPlayerAllocation->SetItemData(0, 1);
    cboPlayerAllocation->AddItem("Manually assign each player a suitable device");
    cboPlayerAllocation->SetItemData(1, 0);
    cboPlayerAllocation->SetListIndex(s.AutomaticPlayerAssignment ? 0 : 1);
    SetTag(cboPlayerAllocation, "0");

    if (CountLocked()) cmdSetNoPlayers_Click(); // a second set-up starts from the open box
    txtNumberCartPlayers->SetMaxLength(static_cast<int>(std::to_string(kMaxPlayers).size()));
    txtNumberCartPlayers->SetText(std::to_string(s.NumberPlayers));

    // The working assignments hold players 1..94; a larger count (the field is public) is cut.
    assignments_.fill(0);
    const int players = std::clamp<std::int32_t>(s.NumberPlayers, 0, kRecordKey - 1);
    for (int i = 1; i <= players; ++i) assignments_[i] = s.PlayerSoundCardNumber(static_cast<std::int16_t>(i));
    assignments_[kHookKey] = s.HookPlayer;
    assignments_[kInstantKey] = s.InstantPlayerNumber;
    assignments_[kPreviewKey] = s.PreviewPlayer;
    assignments_[kRecordKey] = s.RecordingSoundCardNumber;
    assignments_[kEditKey] = s.EditSoundCardNumber;
    FillPlayerOrderLists(players, s.FirstPlayer, s.LastPlayer);

    comboPlayerDisplayAlignment->SetListIndex(IndexOfItemData(comboPlayerDisplayAlignment, s.PlayerDisplayAlignment));

    txtSweeperVol->SetText(std::to_string(s.SweptAudioVolume));
    txtGeneralVolume->SetText(std::to_string(s.GeneralVolume));
    txtDuckVolume->SetText(std::to_string(s.DuckAudioVolume));
    txtCartGroupVolume->SetText(std::to_string(s.CartGroupVolume));
    txtCartVolume->SetText(std::to_string(s.GeneralVolume));
    txtAdvertVolume->SetText(std::to_string(s.AdvertVolume));
    if (s.UsePlayerDucking != 0) optDucking->SetValue(true);
    else optSweeper->SetValue(true);
    optDucking_Click();

    txtFadePercent->SetText(std::to_string(s.FadeFirePercent));

    cboAllowEject->Clear();
    const std::pair<const char*, long> eject[] = {{"Allow Carts to be ejected at any time.", sopDisabled},
                                                  {"Only allow when paused or cued.", sopEnabled},
                                                  {"Use the user's Directory Preferences", sopFollowPreference}};
    for (const auto& [caption, item] : eject) {
        cboAllowEject->AddItem(caption);
        cboAllowEject->SetItemData(cboAllowEject->NewIndex(), item);
    }
    cboAllowEject->SetListIndex(0);
    const int ejectIndex = IndexOfItemData(cboAllowEject, s.OnlyAllowEjectStoppedCarts);
    if (ejectIndex >= 0) cboAllowEject->SetListIndex(ejectIndex);

    if (!s.AudioEditor.empty()) {
        txtAudioEditor->SetText(Trim(s.AudioEditor));
        chkAudioEditor->SetValue(1);
    } else {
        txtAudioEditor->SetText("");
        chkAudioEditor->SetValue(0);
    }
    chkAudioEditor_Click();

    // A stored priority outside the slider's travel stays as it is until the user moves it.
    sldEditPriority->SetMin(std::min<int>(0, s.AudioEditorPriority));
    sldEditPriority->SetMax(std::max<int>(20, s.AudioEditorPriority));
    sldEditPriority->SetValue(s.AudioEditorPriority);

    workingFormat_->SetFormatText(s.AudioFormat()->FormatText());
    lblAudioFormat->SetCaption(workingFormat_->Description() + " ");

    uAdvancedSettings->Clear();
    auto audio = uAdvancedSettings->AddGroup("AUDIO", "Audio Files:");
    uAdvancedSettings->AddSetting(audio, "LEGACYCOPY", "Use 'Legacy' mode to copy/move carts.", s.UseLegacyFileCopyMode != 0);
    auto stream = uAdvancedSettings->AddGroup("LSTREAM", "LumoStream:");
    uAdvancedSettings->AddSetting(stream, "LARGEBUFFERS", "Increase the size of the buffers that LumoStream(TM) uses",
                                  s.LumoStreamUseLargeBuffers != 0);
    auto editor = uAdvancedSettings->AddGroup("EDITOR", "External Editor:");
    uAdvancedSettings->AddSetting(editor, "EDITORIDLE", "Run the External Editor's process at 'Idle' priority",
                                  s.AudioEditorRunAtIdleSpeed != 0);
    uAdvancedSettings->expandAll();

    // The editor stores True as -1, which is no tick-box state: shown ticked, kept unless changed.
    storedAllowOther_ = s.AudioAllowOtherFormat;
    storedRecordLocal_ = s.AudioRecordLocal;
    chkAllowDifferentFormat->SetValue(s.AudioAllowOtherFormat == 0 ? 0 : (s.AudioAllowOtherFormat == 2 ? 2 : 1));
    chkRecordLocal->SetValue(s.AudioRecordLocal == 0 ? 0 : (s.AudioRecordLocal == 2 ? 2 : 1));

    comboDebug->SetListIndex(s.LumoStreamDebugMode >= 0 && s.LumoStreamDebugMode < comboDebug->ListCount()
                                 ? s.LumoStreamDebugMode
                                 : -1);

    if (s.NumberPlayers >= 1 && s.NumberPlayers <= kMaxPlayers) cmdSetNoPlayers_Click();
    SetEnabled(cmdLumoTweak, helpers::FileHelper().FileSize(TweakPath()) > 0);
}

std::string frmAudioSettings::TweakPath() const {
    return helpers::FileHelper().SpecialFolder(43) + "/Brevant Shared/LumoStream/LumoTweak.exe";
}

void frmAudioSettings::SetLimitedMode(bool on) {
    limitedMode_ = on;
    SetEnabled(lblFadePercentDesc[0], !on);
    SetEnabled(lblFadePercentDesc[1], !on);
    SetEnabled(txtFadePercent, !on);
    SetBackColor(txtFadePercent, on ? syscolour::ButtonFace : syscolour::Window);
    SetVisible(fraNormaVolumes, !on);
    SetVisible(fraTesselCartVolumes, on);
}

std::int16_t frmAudioSettings::Assignment(int key) const {
    return key >= 1 && key <= 99 ? assignments_[static_cast<std::size_t>(key)] : 0;
}

// ---- the players grid --------------------------------------------------------------------

bool frmAudioSettings::CountLocked() const { return txtNumberCartPlayers->Locked(); }

// Entries "Player 1" .. "the last Cart Player"; first and last are player numbers (255 the
// last player, below 1 none).
void frmAudioSettings::FillPlayerOrderLists(int players, int first, int last) {
    players = std::clamp(players, 0, kRecordKey - 1);
    for (auto [list, choice] : {std::pair{listFirstPlayerOrder, first}, std::pair{listLastPlayerOrder, last}}) {
        list->Clear();
        for (int i = 1; i <= players; ++i) list->AddItem(i == players ? "the last Cart Player" : "Player " + std::to_string(i));
        if (players < 1 || choice < 1) list->SetListIndex(-1);
        else if (choice == 255 || choice >= players) list->SetListIndex(players - 1);
        else list->SetListIndex(choice - 1);
    }
}

void frmAudioSettings::SetPlayerRow(int row, const std::string& caption, const std::string& choice, int key,
                                    bool coloured) {
    grdPlayers->SetRow(row);
    if (coloured) {
        const int allocation = cboPlayerAllocation->ListIndex();
        const bool automatic = allocation >= 0 && cboPlayerAllocation->ItemData(allocation) == 1;
        grdPlayers->SetCellBackColor(automatic ? syscolour::ButtonFace : syscolour::Window);
    }
    grdPlayers->SetTextMatrix(row, 0, caption);
    grdPlayers->SetTextMatrix(row, 1, choice);
    grdPlayers->SetTextMatrix(row, 2, std::to_string(key));
}

void frmAudioSettings::FillPlayersGrid() {
    HidePlayerList();
    platform::devices::ScopedSnapshot devices;
    grdPlayers->SetRedraw(false);
    const int n = std::clamp(WholeValue(txtNumberCartPlayers->Text()), 0L, static_cast<long>(kMaxPlayers));
    grdPlayers->SetRows(1); // rows of an earlier build keep no colour
    grdPlayers->SetRows(n + 6);
    grdPlayers->SetTextMatrix(0, 0, "Used for");
    grdPlayers->SetTextMatrix(0, 1, "Sound device or player");
    grdPlayers->SetCol(1);
    for (int i = 1; i <= n; ++i)
        SetPlayerRow(i, "Player " + std::to_string(i), DeviceName(Direction::Output, assignments_[i]), i, true);
    SetPlayerRow(n + 1, "Edit Soundcard", DeviceName(Direction::Output, assignments_[kEditKey]), kEditKey, true);
    SetPlayerRow(n + 2, "Record Soundcard", DeviceName(Direction::Input, assignments_[kRecordKey]), kRecordKey, true);
    SetPlayerRow(n + 3, "Hook Player", PlayerText(assignments_[kHookKey]), kHookKey, false);
    SetPlayerRow(n + 4, "Instant Cart Player", PlayerText(assignments_[kInstantKey]), kInstantKey, false);
    SetPlayerRow(n + 5, "Preview Player", PlayerText(assignments_[kPreviewKey]), kPreviewKey, false);
    grdPlayers->SetTopRow(1);
    grdPlayers->SetRow(1);
    grdPlayers->SetCol(1);
    grdPlayers->SetRedraw(true);
}

void frmAudioSettings::cboPlayerAllocation_Click() {
    if (Tag(cboPlayerAllocation) != "0") return;
    FillPlayersGrid();
}

void frmAudioSettings::grdPlayers_MouseUp(int /*button*/, int /*shift*/, double x, double /*y*/) {
    if (grdPlayers->Col() == 0 || x < grdPlayers->ColWidth(0) || grdPlayers->Row() < 1 ||
        grdPlayers->CellBackColor() == syscolour::ButtonFace)
        return;
    const long key = WholeValue(grdPlayers->TextMatrix(grdPlayers->Row(), 2));
    if (key < 1 || key > 99) return;

    SetTag(cboPlayer, "1");
    cboPlayer->Clear();
    {
        platform::devices::ScopedSnapshot devices;
        const Direction d = key == kRecordKey ? Direction::Input : Direction::Output;
        if (key < kInstantKey) {
            const int count = platform::devices::DeviceCount(d);
            for (int i = 0; i < count; ++i) {
                const auto caps = platform::devices::GetDeviceCaps(d, i);
                cboPlayer->AddItem(caps ? caps->name : std::string());
                cboPlayer->SetItemData(cboPlayer->NewIndex(), i + 1);
            }
        } else {
            cboPlayer->AddItem("Any Player");
            cboPlayer->SetItemData(cboPlayer->NewIndex(), 0);
            const long n = std::clamp(WholeValue(txtNumberCartPlayers->Text()), 0L, static_cast<long>(kMaxPlayers));
            for (int i = 1; i <= n; ++i) {
                cboPlayer->AddItem("Player " + std::to_string(i));
                cboPlayer->SetItemData(cboPlayer->NewIndex(), i);
            }
        }
    }
    cboPlayer->SetListIndex(IndexOfItemData(cboPlayer, assignments_[static_cast<std::size_t>(key)]));
    SetTag(cboPlayer, "0");

    Move(cboPlayer, Left(grdPlayers) + grdPlayers->CellLeft(), Top(grdPlayers) + grdPlayers->CellTop(),
         grdPlayers->CellWidth(), Height(cboPlayer));
    SetVisible(cboPlayer, true);
    ZOrder(cboPlayer, 0);
    cboPlayer->setFocus(Qt::MouseFocusReason);
    cboPlayer->showPopup();
}

void frmAudioSettings::grdPlayers_SelChange() {
    grdPlayers->SetRowSel(grdPlayers->Row());
    grdPlayers->SetColSel(grdPlayers->Col());
}

void frmAudioSettings::cboPlayer_Click() {
    if (Tag(cboPlayer) != "0" || cboPlayer->ListIndex() < 0) return;
    const long key = WholeValue(grdPlayers->TextMatrix(grdPlayers->Row(), 2));
    if (key < 1 || key > 99) return;
    assignments_[static_cast<std::size_t>(key)] = static_cast<std::int16_t>(
        std::clamp<long>(cboPlayer->ItemData(cboPlayer->ListIndex()), INT16_MIN, INT16_MAX));
    grdPlayers->SetText(cboPlayer->Text());
}

void frmAudioSettings::HidePlayerList() {
    if (!cboPlayer || !Visible(cboPlayer)) return;
    cboPlayer->hidePopup();
    const bool focused = cboPlayer->hasFocus();
    SetVisible(cboPlayer, false);
    if (focused && grdPlayers->isEnabled()) grdPlayers->setFocus();
}

void frmAudioSettings::cmdSetNoPlayers_Click() {
    if (!CountLocked()) {
        const long n = WholeValue(txtNumberCartPlayers->Text());
        if (n <= 0 || n > kMaxPlayers) {
            MsgBox(kSetMessage + std::to_string(kMaxPlayers), MsgButtons::OK, MsgIcon::Exclamation);
            return;
        }
        // The order lists follow the new count, keeping the user's choices where they fit.
        auto choice = [](const ComboBox* list) {
            const int i = list->ListIndex();
            return i < 0 ? 0 : (i + 1 >= list->ListCount() ? 255 : i + 1);
        };
        FillPlayerOrderLists(static_cast<int>(n), choice(listFirstPlayerOrder), choice(listLastPlayerOrder));
        cmdSetNoPlayers->SetCaption("Change");
        txtNumberCartPlayers->SetLocked(true);
        SetEnabled(txtNumberCartPlayers, false);
        SetBackColor(txtNumberCartPlayers, syscolour::ButtonFace);
        FillPlayersGrid();
        SetBackColor(grdPlayers, syscolour::Window);
        SetEnabled(grdPlayers, true);
        for (QWidget* w : std::initializer_list<QWidget*>{framePlayoutOrder, lblFirstPlayerOrder, listFirstPlayerOrder,
                                                          lblLastPlayerOrder, listLastPlayerOrder})
            SetEnabled(w, true);
        SetBackColor(listFirstPlayerOrder, syscolour::Window);
        SetBackColor(listLastPlayerOrder, syscolour::Window);
    } else {
        HidePlayerList();
        cmdSetNoPlayers->SetCaption("Set");
        txtNumberCartPlayers->SetLocked(false);
        SetEnabled(txtNumberCartPlayers, true);
        SetBackColor(txtNumberCartPlayers, syscolour::Window);
        SetBackColor(grdPlayers, syscolour::ButtonFace);
        SetEnabled(grdPlayers, false);
    }
}

// ---- OK, Cancel and the way out ----------------------------------------------------------

void frmAudioSettings::cmdOK_Click() {
    if (!settings_) return;
    HidePlayerList();
    auto refuse = [this](const std::string& text, int tab) {
        if (tab >= 0) tbsView->SetTab(tab);
        MsgBox(text, MsgButtons::OK, MsgIcon::Exclamation);
    };
    const long players = WholeValue(txtNumberCartPlayers->Text());
    if (players > kMaxPlayers)
        return refuse("You cannot have more than " + std::to_string(kMaxPlayers) + " Players in Orvanta", 0);
    // Every box is brought into its range first, as leaving it would, so nothing below fails.
    for (const ValueBox& v : valueBoxes_)
        if (v.box != txtNumberCartPlayers) v.box->SetText(std::to_string(ClampedValue(v.box->Text(), v.lowest, v.highest)));
    auto value = [](const TextBox* box) { return static_cast<std::int16_t>(WholeValue(box->Text())); };
    if (value(txtFadePercent) >= value(limitedMode_ ? txtCartVolume : txtGeneralVolume))
        return refuse("Your 'Fire When Faded to' percentage cannot be lower than the 'Play normal carts at' percentage", 1);
    if (chkAudioEditor->Value() == 1) {
        if (Trim(txtAudioEditor->Text()).empty()) return refuse("You must enter the filename of an Audio Editor", 2);
        if (!(helpers::FileHelper().FileSize(txtAudioEditor->Text()) > 0))
            return refuse("The Audio Editor you have specified cannot be found", 2);
    }
    const std::string profile = settings_->ProfileName;

    cAudioSettings& s = *settings_;
    const Written before(s);
    SetMousePointer(PointerHourglass);
    if (limitedMode_) {
        s.CartGroupVolume = value(txtCartGroupVolume);
        s.GeneralVolume = value(txtCartVolume);
        s.AdvertVolume = value(txtAdvertVolume);
    } else {
        s.DuckAudioVolume = value(txtDuckVolume);
        s.SweptAudioVolume = value(txtSweeperVol);
        s.GeneralVolume = value(txtGeneralVolume);
    }
    s.UsePlayerDucking = optDucking->Value() ? -1 : 0;
    s.AudioEditor = chkAudioEditor->Value() == 1 ? Trim(txtAudioEditor->Text()) : std::string();
    s.AudioEditorPriority = static_cast<std::int16_t>(sldEditPriority->Value());
    s.NumberPlayers = static_cast<std::int32_t>(players);
    const int n = static_cast<int>(std::max(0L, players));
    if (n > MultimediaAPI::CountSuitableWaveOutDevices(44100, 1) && MultimediaAPI::CountSuitableWaveOutDevices(44100, 1) == 0)
        MsgBox("Warning : There are no suitable sound devices installed!", MsgButtons::OK, MsgIcon::Exclamation);
    const int allocation = cboPlayerAllocation->ListIndex();
    if (allocation >= 0) s.AutomaticPlayerAssignment = cboPlayerAllocation->ItemData(allocation) != 0 ? vbTrue : vbFalse;
    if (!s.AutomaticPlayerAssignment)
        for (int i = 1; i <= std::min(n, kRecordKey - 1); ++i)
            s.SetPlayerSoundCardNumber(static_cast<std::int16_t>(i), assignments_[static_cast<std::size_t>(i)]);
    if (n < 1) {
        s.FirstPlayer = 0;
        s.LastPlayer = 255;
        s.InstantPlayerNumber = 0;
        s.EditSoundCardNumber = 0;
        s.RecordingSoundCardNumber = 0;
    } else {
        auto player = [n](std::int16_t p) { return static_cast<std::int16_t>(std::clamp<int>(p, 0, n)); };
        s.InstantPlayerNumber = player(assignments_[kInstantKey]);
        s.HookPlayer = player(assignments_[kHookKey]);
        s.PreviewPlayer = player(assignments_[kPreviewKey]);
        s.RecordingSoundCardNumber = assignments_[kRecordKey];
        s.EditSoundCardNumber = assignments_[kEditKey];
        // No entry chosen gives 0 (an empty last-player list gives the last player).
        int first = listFirstPlayerOrder->ListIndex() + 1;
        if (n >= 2 && first >= n) first = 255;
        s.FirstPlayer = static_cast<std::int16_t>(std::max(first, 0));
        const int lastIndex = listLastPlayerOrder->ListIndex();
        int last = lastIndex + 1 >= listLastPlayerOrder->ListCount() ? 255 : lastIndex + 1;
        if (last >= n) last = 255;
        s.LastPlayer = static_cast<std::int16_t>(std::max(last, 0));
    }
    const int alignment = comboPlayerDisplayAlignment->ListIndex();
    if (alignment >= 0) s.PlayerDisplayAlignment = static_cast<std::int32_t>(comboPlayerDisplayAlignment->ItemData(alignment));
    s.UseLegacyFileCopyMode = uAdvancedSettings->Setting("LEGACYCOPY") ? -1 : 0;
    s.LumoStreamUseLargeBuffers = uAdvancedSettings->Setting("LARGEBUFFERS") ? -1 : 0;
    s.AudioEditorRunAtIdleSpeed = uAdvancedSettings->Setting("EDITORIDLE") ? -1 : 0;
    if (comboDebug->ListIndex() >= 0) s.LumoStreamDebugMode = static_cast<std::int16_t>(comboDebug->ListIndex());
    s.AudioFormat()->SetFormatText(workingFormat_->FormatText());
    auto tick = [](const CheckBox* box, int stored) {
        const int shown = stored == 0 ? 0 : (stored == 2 ? 2 : 1);
        return static_cast<std::int16_t>(box->Value() == shown ? stored : box->Value());
    };
    s.AudioAllowOtherFormat = tick(chkAllowDifferentFormat, storedAllowOther_);
    s.AudioRecordLocal = tick(chkRecordLocal, storedRecordLocal_);
    s.FadeFirePercent = value(txtFadePercent);
    const int eject = cboAllowEject->ListIndex();
    if (eject >= 0) s.OnlyAllowEjectStoppedCarts = static_cast<std::int32_t>(cboAllowEject->ItemData(eject));

    // A profile without a name stores nothing: the host keeps the values on the object and
    // saves them itself.
    const bool saved = s.SaveProfile(profile);
    SetMousePointer(PointerDefault);
    if (!saved && !profile.empty()) {
        before.Restore(s);
        return refuse("The audio settings could not be saved in the settings profile '" + profile +
                          "'. Only an administrator of this computer may be able to change them.",
                      -1);
    }
    if (limitedMode_)
        MsgBox("You will have to restart " + platform::ApplicationTitle() + " for these changes to take effect",
               MsgButtons::OK, MsgIcon::Information);
    SetTag(this, "");
    Hide();
}

void frmAudioSettings::cmdCancel_Click() {
    HidePlayerList();
    Cancelled = true;
    SetTag(this, "");
    Hide();
}

void frmAudioSettings::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode == FormControlMenu) {
        Cancel = 1;
        cmdCancel_Click();
    }
}

void frmAudioSettings::Form_Unload(int& /*Cancel*/) {
    Cancelled = false;
    settings_ = nullptr;
}

void frmAudioSettings::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii != 27) return;
    KeyAscii = 0;
    // With the player list open Esc closes only the list.
    if (Visible(cboPlayer)) HidePlayerList();
    else cmdCancel_Click();
}

// ---- the other controls ------------------------------------------------------------------

void frmAudioSettings::chkAudioEditor_Click() {
    const bool on = chkAudioEditor->Value() == 1;
    SetEnabled(txtAudioEditor, on);
    SetBackColor(txtAudioEditor, on ? syscolour::Window : syscolour::ButtonFace);
    for (QWidget* w : std::initializer_list<QWidget*>{cmdSelectAudioEditor, lblEditingPriorityDesc,
                                                      lblEditPriorityDescProduct, lblEditPriorityDescEditor,
                                                      sldEditPriority})
        SetEnabled(w, on);
}

void frmAudioSettings::cmdSelectAudioEditor_Click() {
    CommonDialog dialog;
    dialog.Owner = this;
    dialog.Filter = "Programs|*.EXE;*.COM;*.BAT;*.PIF|All Files (*.*)|*.*";
    // Programs here carry no extension: the dialog opens on all files, and no ".EXE" is
    // added to the chosen name (which would name a file that is not there).
    dialog.FilterIndex = 2;
    dialog.DialogTitle = "Select External Audio Editor Program";
    dialog.Flags = 4096;
    dialog.CancelError = true;
    dialog.FileName = Trim(txtAudioEditor->Text());
    dialog.InitDir = helpers::FileHelper().FolderPart(txtAudioEditor->Text());
    try {
        dialog.ShowOpen();
    } catch (const platform::RuntimeError& e) {
        if (e.Number() >= platform::err::Cancelled) return;
        throw;
    }
    txtAudioEditor->SetText(Trim(dialog.FileName));
}

void frmAudioSettings::cmdSelectAudioFormat_Click() {
    ChooseAudioFormat(*workingFormat_, 2, 29, this);
    lblAudioFormat->SetCaption(workingFormat_->Description() + " ");
}

void frmAudioSettings::cmdLumoTweak_Click() {
    if (platform::fs::StartProgram(TweakPath(), {}) < 0)
        MsgBox("The LumoStream(TM) settings program could not be started.", MsgButtons::OK, MsgIcon::Exclamation);
}

void frmAudioSettings::optDucking_Click() {
    const bool duck = optDucking->Value();
    SetEnabled(lblDuckVolumePerc, duck);
    SetEnabled(txtDuckVolume, duck);
    SetBackColor(txtDuckVolume, duck ? syscolour::Window : syscolour::ButtonFace);
    SetEnabled(lblSweepVolumePerc, !duck);
    SetEnabled(txtSweeperVol, !duck);
    SetBackColor(txtSweeperVol, duck ? syscolour::ButtonFace : syscolour::Window);
}

} // namespace rozuzezer::ui
