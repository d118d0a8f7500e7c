// The item editor window: one item (a cHardDiskItem and, when it is open for editing, its
// audio in the audio-editing component ctlEditor) with its details, cue markers, transport and
// the two toolbars. It sits as a child window inside the main window and implements what the
// main window needs of it (EditorWindow.h).
//
// One class, declared here; its procedures live by subject:
//   editor/document/   state and buttons, lifecycle, modes and layout, audio set-up, reset
//                      and display, open, save, keys (frmLumoEdit_*.cpp)
//   editor/audio/      edit and effect commands, toolbar dispatch, transport, component events
//   editor/details/    marker Set buttons and boxes, hardware lines, detail fields, air window
//
// Every handler is connected through the form kit's On(), so an error raised in one ends that
// handler and is reported (platform/ui/Handlers.h).
#pragma once

#include "editor/shell/EditorWindow.h"
#include "platform/audio/AudioEditorControl.h"
#include "platform/audio/LevelMeter.h"
#include "platform/audio/LumoPlayer.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Containers.h"
#include "platform/ui/Form.h"
#include "platform/ui/HWndGrab.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/MaskedTextBox.h"
#include "platform/ui/RichTextBox.h"
#include "rozuzezer/core/Interfaces.h"
#include "rozuzezer/core/cHardDiskItem.h"
#include "shared/helpers/AudioFormat.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMdiSubWindow;

namespace lumoedit {

class frmMain;
class frmLumoEditTransform;

class frmLumoEdit : public platform::ui::Form, public iEditorWindow {
public:
    explicit frmLumoEdit(frmMain& main);
    ~frmLumoEdit() override;

    // ---- public fields, in their declared order ----------------------------------------
    std::string EditHDRef;
    platform::component::Ref<rozuzezer::iAudioCallback> CallbackForm;
    // bEdited and bInhibitUnloading are read through the window interface (bEdited(),
    // bInhibitUnloading()); these are the fields behind them.
    bool bEdited_ = false;
    bool bAudioEdited = false;
    rozuzezer::HardDiskItemRef cAudioInformation;
    float SelectedLength = 0;
    std::string LinkFileName;
    bool bLoadingInfo = false;
    bool bInhibitUnloading_ = false;

    // ---- document state and buttons ------------------------------------------------------
    void SetTextEdited();
    void SetAudioEdited();
    void ClearEdits();
    void UpdateButtons();
    void tmrUpdateHDSpace_Timer();
    // The transport state: 0 idle, 1 playing, 2 recording, 5 paused, other values busy.
    int TransportState() const;
    bool AudioOpen() const { return bAudioOpen_; }

    // ---- modes ---------------------------------------------------------------------------
    bool DisplayDescriptions() const { return displayDescriptions_; }
    void SetDisplayDescriptions(bool on);
    bool AllowEditInformation() const override { return allowEdit_; }
    void SetAllowEditInformation(bool on) override;
    bool StandaloneMode() const override { return standalone_; }
    void SetStandaloneMode(bool on) override;

    // ---- audio set-up and view -----------------------------------------------------------
    void LoadSettings() override;

    // The layout at the window's size and modes; the modes call it too.
    void Form_Resize() override;
    void PlaceSelectionPanel();

    // Private to the window's procedures; public so that tests drive them one at a time.
    void UpdateDiskSpace();
    bool SetupEditor(int& Flags);
    void UpdateZoomButtons(bool Enable);
    void SetEditorView(std::int32_t& Start, std::int32_t& End);

    // ---- reset and display ---------------------------------------------------------------
    // False when the user cancelled the save question or the save failed (nothing changed).
    bool ClearDetails(int Flags) override;

    // ---- the window interface ------------------------------------------------------------
    void Load() override { Form::Load(); }
    bool IsLoaded() const override { return Form::IsLoaded(); }
    void Show() override;
    void Refresh() override { Form::Refresh(); }
    void SetWindowState(int state) override;
    int EditorWindowState() const;
    bool Unload() override { return Form::Unload(); }
    double MinWidthLimit() const override;
    double MinHeightLimit() const override;
    double OuterWidth() const override;
    double InnerWidth() const override;
    double OuterHeight() const override;
    double InnerHeight() const override;
    bool bEdited() const override { return bEdited_; }
    bool bInhibitUnloading() const override { return bInhibitUnloading_; }
    bool DocumentHasAudio() override;
    bool CanUndo() override;
    bool CanRedo() override;
    bool AudioButtonEnabled(const std::string& ButtonKey) override;
    bool PasteMixEnabled() override;

    // ---- procedures of the document, audio and details sides (their own files) ------------
    bool OpenFile(const std::string& Filename) override;
    bool SaveSelection() override;
    bool SaveFile() override;
    bool SaveAsFile(const std::string& Filename, bool Selection) override;
    void AudioCut() override;
    void AudioCopy() override;
    void AudioPaste() override;
    void AudioMixPaste() override;
    void AudioDeleteSelection() override;
    void AudioSelectAll() override;
    bool AudioSelected() override;
    void AudioUndo() override;
    void AudioRedo() override;
    void AudioInsertFile(bool MixInsert) override;
    void ProcessButton(const std::string& ButtonKey) override;
    void ProcessAudioButton(const std::string& ButtonKey) override;
    bool SaveItem();
    void DisplayDetails(int OpenAudio);
    void ShowProgress(const std::string& Caption);
    void HideProgress();
    bool IsItemInRecorder();
    void FillHardwareCombos(platform::ui::ComboBox* LineList, platform::ui::ComboBox* ActionList);
    void SelectComboByItemData(std::int16_t Value, platform::ui::ComboBox* LineList,
                               platform::ui::ComboBox* ActionList);
    void UpdateMarkerFields(bool& Apply);
    void ApplyMarkers();

    // Event handlers. Those of later work stay unconnected until their procedures are built.
    void cmdPlay_Click();
    void cmdStop_Click();
    void cmdPause_Click();
    void ctlEditor_SelectionChanged();
    void chkLoop_Click();
    void chkMaxLoop_Click();
    void chkCustomColours_Click();
    void comboIntroStartHWLine_Change();
    void comboIntroEndHWLine_Change();
    void comboExtroHWLine_Change();
    void comboHookStartHWLine_Change();
    void comboHookEndHWLine_Change();
    void txtAirStartDate_LostFocus();
    void txtAirEndDate_LostFocus();
    void picCopyright1_Resize();
    void UpdatePlayPosition(float Position);

    // ---- the details side: Set buttons, loop options, detail fields, lists, colours, air
    // window, pictures and last plays (editor/details) ---------------------------------------
    void cmdSetIntroStart_Click();
    void cmdSetIntroEnd_Click();
    void cmdSetExtro_Click();
    void cmdSetHookStart_Click();
    void cmdSetHookEnd_Click();
    void cmdSetLoopStart_Click();
    void cmdSetLoopEnd_Click();
    void chkLoopJump_Click();
    void LoopMarkersFollowOption(bool on);
    void txtMaxLoop_Change();
    void comboHWLine_KeyPress(platform::ui::ComboBox* LineList, int& KeyAscii);
    void comboHWType_Change();
    // Every detail box's change: stores the box into its item field (see DetailFields.cpp).
    void DetailField_Change(QWidget* Box);
    void ConnectDetailFields();
    void ConnectAirWindow();
    void txtDescription_KeyDown(int Index, int& KeyCode);
    void optAudioEnd_Click(platform::ui::OptionButton* Button);
    void cmdChangeBackgroundColour_Click();
    void cmdChangeForegroundColour_Click();
    void comboCategory_Click();
    void listCopyrightCode_Click();
    void listCopyrightCode_Change();
    void cmdCopyProductTitle_Click();
    void cmdCopyMusicTitle_Click();
    void cmdCopyPerformer_Click();
    void cmdCopyTotalDuration_Click();
    void chkAirStart_Click();
    void chkAirEnd_Click();
    void txtAirStartDate_Change();
    void txtAirEndDate_Change();
    void txtAirStartHour_LostFocus();
    void txtAirStartMinutes_LostFocus();
    void txtAirEndHour_LostFocus();
    void txtAirEndMinutes_LostFocus();
    // The air window as the save checks it: False (and the refusal shown) when a ticked limit
    // has no valid date or the start is not before the end.
    bool AirWindowValid();
    void DisplayPictureInfo();
    void cmdNextPicture_Click();
    void cmdPreviousPicture_Click();
    void cmdClearPic_Click();
    void cmdMovePicUp_Click();
    void cmdMovePicDown_Click();
    void cmdImportPicture_Click();
    void cmdEraseLastPlays_Click();
    // The last-play list from the item: one line per play with a location (DisplayDetails).
    // The playout host that pictures and last plays need; never connected in file mode.
    QObject* ItemHost = nullptr;

    // Each side connects its own handlers (editor/document, editor/audio, editor/details).
    void ConnectDocumentHandlers();
    void ConnectAudioHandlers();
    void ConnectDetailsHandlers();

    // ---- audio side (editor/audio): toolbars, transport, the component's events, zoom ----
    void toolMain_ButtonClick(const std::string& key);
    void toolMain_ButtonMenuClick(const std::string& key);
    void toolAudioEditor_ButtonClick(const std::string& key);
    void toolAudioEditor_ButtonMenuClick(const std::string& key);
    void cmdRecord_Click();
    void cmdRewind_Click();
    void cmdFastForward_Click();
    void cmdPlayHook_Click();
    void cmdPlayLoop_Click();
    void optPlayMode_Click(int Index);
    void prgPlayProgress_MouseDown(int Button, int Shift, double X, double Y);
    void prgPlayProgress_MouseMove(int Button, int Shift, double X, double Y);
    void LumoPlayer1_LevelsChanged(int Left, int Right);
    void LumoPlayer1_PositionChanged(float Position);
    void LumoPlayer1_PlaybackShown();
    void LumoPlayer1_PlaybackHidden();
    void LumoPlayer1_PlayerEventA();
    void LumoPlayer1_PlayerEventB();
    void LumoPlayer1_PlayerEventC();
    void LumoPlayer1_PlayerEventD();
    void ctlEditor_Progress(int Percent);
    void ctlEditor_RegionChanged(int RegionIndex);
    void ctlEditor_PositionChanged();
    void ctlEditor_SelectVisibleRange();
    void ctlEditor_AudioChanged();
    void ctlEditor_Stopped();
    void ctlEditor_MouseDown(int Button, int Shift, int X, int Y);
    void ctlEditor_Levels(int Left, int Right);
    void cmdZoomFull_Click();
    void cmdZoomIn_Click();
    void cmdZoomOut_Click();
    void cmdZoomSelection_Click();
    void cmdZoomSelectionStart_Click();
    void cmdZoomSelectionEnd_Click();
    // The play mode: 1 play, 2 play to the end, 3 loop.
    std::int32_t PlayMode() const { return playMode_; }
    // True while an edit, effect or other long operation of the component runs; commands
    // started meanwhile (from the message loop of its progress event) do nothing.
    bool AudioBusy() const;
    // The samples of a time in seconds on the component's view (milliseconds made whole).
    std::int64_t SecondsToSamples(double seconds);
    // A sample count of the component's view in seconds.
    double SamplesToSeconds(std::int64_t samples);
    // The view range with 64-bit positions: clamped to the document, the end not before the
    // start.
    void SetEditorView64(std::int64_t Start, std::int64_t End);
    // Plays from a point (a Set button's audition): the point becomes the cursor and an empty
    // selection, so playing starts there on either back end.
    void AuditionFrom(double Seconds);
    // A time as "hh:nn:ss.hh", at most 99:59:59.99 (what the time boxes and labels hold).
    static std::string TimeText(double seconds);
    // Tests and benchmarks: how often the progress event let the message loop run.
    int MessageLoopRuns() const { return messageLoopRuns_; }

    // ---- controls ------------------------------------------------------------------------
    // Toolbars and their pictures.
    platform::ui::ImageList* imgListToolbar = nullptr;
    platform::ui::ImageList* imgListPictures = nullptr; // end types, markers, transport
    platform::ui::Toolbar* toolMain = nullptr;
    platform::ui::Toolbar* toolAudioEditor = nullptr;
    platform::ui::StatusBar* StatusBar1 = nullptr;
    platform::ui::HWndGrab* HWndGrab1 = nullptr;
    platform::ui::Timer* tmrUpdateHDSpace = nullptr;
    platform::ui::CommonDialog CommonDialog1; // open and save dialogs
    platform::ui::CommonDialog Selector;      // the colour dialog
    platform::ui::Panel* pnlCartNumber = nullptr;

    // The details tabs: "General", "Notes", "Copyright", "Other".
    platform::ui::TabStrip* tbsCartDetails = nullptr;
    platform::ui::Frame* fraGeneralInfo = nullptr;
    std::array<platform::ui::Label*, 4> lblDescriptionDesc{};  // 1..3
    std::array<platform::ui::TextBox*, 4> txtDescription{};    // 1..3
    platform::ui::Label* lblLinkedFileDesc = nullptr;
    platform::ui::Label* lblCategoryDesc = nullptr;
    platform::ui::ComboBox* comboCategory = nullptr;
    platform::ui::Label* lblOutCueDesc = nullptr;
    platform::ui::TextBox* txtOutCue = nullptr;
    platform::ui::Frame* fraEndType = nullptr;
    platform::ui::OptionButton* optAudioEndNotSpecified = nullptr;
    platform::ui::OptionButton* optAudioEnds = nullptr;
    platform::ui::OptionButton* optAudioFades = nullptr;
    platform::ui::OptionButton* optAudioSustain = nullptr;
    platform::ui::OptionButton* optAudioSlowFade = nullptr;
    platform::ui::CheckBox* chkCustomColours = nullptr;
    platform::ui::Frame* fraCustomColours = nullptr;
    platform::ui::CommandButton* cmdChangeBackgroundColour = nullptr;
    platform::ui::CommandButton* cmdChangeForegroundColour = nullptr;

    // The timing panel on "General": tabs "Times", "Looping", "Hardware" (or "Other").
    platform::ui::Panel* pnlTiming = nullptr;
    platform::ui::TabStrip* tbsTiming = nullptr;
    platform::ui::Label* lblIntroStartDesc = nullptr;
    platform::ui::Label* lblIntroEndDesc = nullptr;
    platform::ui::Label* lblExtroDesc = nullptr;
    platform::ui::Label* lblHookStartDesc = nullptr;
    platform::ui::Label* lblHookEndDesc = nullptr;
    platform::ui::MaskedTextBox* mtxtIntroStart = nullptr;
    platform::ui::MaskedTextBox* mtxtIntroEnd = nullptr;
    platform::ui::MaskedTextBox* mtxtExtro = nullptr;
    platform::ui::MaskedTextBox* mtxtHookStart = nullptr;
    platform::ui::MaskedTextBox* mtxtHookEnd = nullptr;
    platform::ui::CommandButton* cmdSetIntroStart = nullptr;
    platform::ui::CommandButton* cmdSetIntroEnd = nullptr;
    platform::ui::CommandButton* cmdSetExtro = nullptr;
    platform::ui::CommandButton* cmdSetHookStart = nullptr;
    platform::ui::CommandButton* cmdSetHookEnd = nullptr;
    platform::ui::CommandButton* cmdPlayHook = nullptr;
    platform::ui::CheckBox* chkLoop = nullptr;
    platform::ui::Frame* fraLooping = nullptr;
    platform::ui::Label* lblLoopStartDesc = nullptr;
    platform::ui::Label* lblLoopEndDesc = nullptr;
    platform::ui::MaskedTextBox* mtxtLoopStart = nullptr;
    platform::ui::MaskedTextBox* mtxtLoopEnd = nullptr;
    platform::ui::CommandButton* cmdSetLoopStart = nullptr;
    platform::ui::CommandButton* cmdSetLoopEnd = nullptr;
    platform::ui::CommandButton* cmdPlayLoop = nullptr;
    platform::ui::CheckBox* chkMaxLoop = nullptr;
    platform::ui::TextBox* txtMaxLoop = nullptr;
    platform::ui::Label* lblLoopCount = nullptr;
    platform::ui::CheckBox* chkLoopJump = nullptr;
    // Hardware lines (cart mode's third tab) and their actions.
    platform::ui::Frame* fraHardware = nullptr;
    platform::ui::ComboBox* comboIntroStartHWLine = nullptr;
    platform::ui::ComboBox* comboIntroStartHWType = nullptr;
    platform::ui::ComboBox* comboIntroEndHWLine = nullptr;
    platform::ui::ComboBox* comboIntroEndHWType = nullptr;
    platform::ui::ComboBox* comboExtroHWLine = nullptr;
    platform::ui::ComboBox* comboExtroHWType = nullptr;
    platform::ui::ComboBox* comboHookStartHWLine = nullptr;
    platform::ui::ComboBox* comboHookStartHWType = nullptr;
    platform::ui::ComboBox* comboHookEndHWLine = nullptr;
    platform::ui::ComboBox* comboHookEndHWType = nullptr;
    // File mode's third tab: the air window.
    platform::ui::Frame* fraOtherTiming = nullptr;
    platform::ui::CheckBox* chkAirStart = nullptr;
    platform::ui::Frame* fraAirStart = nullptr;
    platform::ui::TextBox* txtAirStartDate = nullptr;
    platform::ui::TextBox* txtAirStartHour = nullptr;
    platform::ui::TextBox* txtAirStartMinutes = nullptr;
    platform::ui::Label* lblAirStartDay = nullptr;
    platform::ui::CheckBox* chkAirEnd = nullptr;
    platform::ui::Frame* fraAirEnd = nullptr;
    platform::ui::TextBox* txtAirEndDate = nullptr;
    platform::ui::TextBox* txtAirEndHour = nullptr;
    platform::ui::TextBox* txtAirEndMinutes = nullptr;
    platform::ui::Label* lblAirEndDay = nullptr;

    // "Notes".
    platform::ui::Label* lblNotesDesc = nullptr;
    platform::ui::TextArea* txtNotes = nullptr;
    platform::ui::Label* lblDABDesc = nullptr;
    platform::ui::TextArea* txtDAB = nullptr;
    platform::ui::RichTextBox* rtxtNotesProcessor = nullptr;
    platform::ui::Label* lblWebTextDisplay = nullptr;
    platform::ui::TextArea* txtWebNotes = nullptr;
    platform::ui::Label* lblArtistWebPage = nullptr;
    platform::ui::TextBox* txtArtistWebLink = nullptr;
    platform::ui::Label* lblOnlineStoreReference = nullptr;
    platform::ui::TextBox* txtOnlineStoreRef = nullptr;

    // "Copyright".
    platform::ui::PictureBox* picCopyright1 = nullptr;
    platform::ui::PictureBox* picCopyright2 = nullptr;
    platform::ui::Label* lblProductTitleDesc = nullptr;
    platform::ui::TextBox* txtProductTitle = nullptr;
    platform::ui::CommandButton* cmdCopyProductTitle = nullptr;
    platform::ui::Label* lblMusicTitleDesc = nullptr;
    platform::ui::TextBox* txtMusicTitle = nullptr;
    platform::ui::CommandButton* cmdCopyMusicTitle = nullptr;
    platform::ui::Label* lblComposerDesc = nullptr;
    platform::ui::TextBox* txtComposer = nullptr;
    platform::ui::Label* lblPublisherDesc = nullptr;
    platform::ui::TextBox* txtPublisher = nullptr;
    platform::ui::Label* lblPerformerDesc = nullptr;
    platform::ui::TextBox* txtPerformer = nullptr;
    platform::ui::CommandButton* cmdCopyPerformer = nullptr;
    platform::ui::Label* lblRecordLabelDesc = nullptr;
    platform::ui::TextBox* txtRecordLabel = nullptr;
    platform::ui::Label* lblRecordNumberDesc = nullptr;
    platform::ui::TextBox* txtRecordNumber = nullptr;
    platform::ui::Label* lblRightsManagementRefDesc = nullptr;
    platform::ui::TextBox* txtRightsManagementRef = nullptr;
    platform::ui::Label* lblCopyrightCodeDesc = nullptr;
    platform::ui::ComboBox* listCopyrightCode = nullptr;
    platform::ui::Label* lblMusicDurationDesc = nullptr;
    platform::ui::TextBox* txtMusicDuration = nullptr;
    platform::ui::Label* lblTotalDurationDesc = nullptr;
    platform::ui::TextBox* txtTotalDuration = nullptr;
    platform::ui::CommandButton* cmdCopyTotalDuration = nullptr;

    // "Other".
    platform::ui::Panel* pnlPictureDesc = nullptr;
    platform::ui::Panel* pnlImage = nullptr;
    platform::ui::PictureBox* imgPicture = nullptr;
    platform::ui::Label* lblPictureReferenceDesc = nullptr;
    platform::ui::CommandButton* cmdPreviousPicture = nullptr;
    platform::ui::CommandButton* cmdNextPicture = nullptr;
    platform::ui::CommandButton* cmdMovePicUp = nullptr;
    platform::ui::CommandButton* cmdMovePicDown = nullptr;
    platform::ui::CommandButton* cmdClearPic = nullptr;
    platform::ui::CommandButton* cmdImportPicture = nullptr;
    platform::ui::Frame* fraLastPlayInformation = nullptr;
    platform::ui::ListBox* listLastPlays = nullptr;
    platform::ui::CommandButton* cmdEraseLastPlays = nullptr;
    platform::ui::Panel* pnlEraseLastPlayInfoDesc = nullptr;
    platform::ui::Frame* fraStandaloneDetails = nullptr;
    platform::ui::Label* lblClientDesc = nullptr;
    platform::ui::TextBox* txtClient = nullptr;
    platform::ui::Label* lblOriginatorDesc = nullptr;
    platform::ui::TextBox* txtOriginator = nullptr;
    platform::ui::Label* lblSchedulerIDDesc = nullptr;
    platform::ui::TextBox* txtSchedulerID = nullptr;
    platform::ui::Label* lblOriginationDateDesc = nullptr;
    platform::ui::Label* lblOriginationDate = nullptr;

    // The audio area.
    platform::audio::AudioEditorControl* ctlEditor = nullptr;
    std::unique_ptr<platform::audio::LumoPlayer> LumoPlayer1;
    platform::audio::LevelMeter* nctLeftVol = nullptr;
    platform::audio::LevelMeter* nctRightVol = nullptr;
    platform::ui::Panel* pnlAudioEditorCover = nullptr;
    platform::ui::Label* lblUncoverAudio = nullptr;
    platform::ui::PictureBox* imgUncoverAudio = nullptr;
    platform::ui::ProgressBar* prgPlayProgress = nullptr;
    platform::ui::Panel* pnlAudioPart = nullptr;
    platform::ui::Label* lblAudioPart = nullptr;
    platform::ui::Panel* pnlProgress = nullptr;
    platform::ui::Label* lblProgressDesc = nullptr;
    platform::ui::ProgressBar* prgProgress = nullptr;
    platform::ui::Panel* pnlSelection = nullptr;
    platform::ui::Label* lblSelectionDesc = nullptr;
    platform::ui::Label* lblSelectionLength = nullptr;
    platform::ui::Panel* pnlAudioEditorRunning = nullptr;

    // The transport bar.
    platform::ui::PictureBox* picControls = nullptr;
    platform::ui::CommandButton* cmdRewind = nullptr;
    platform::ui::CommandButton* cmdPlay = nullptr;
    platform::ui::CommandButton* cmdPause = nullptr;
    platform::ui::CommandButton* cmdStop = nullptr;
    platform::ui::CommandButton* cmdRecord = nullptr;
    platform::ui::CommandButton* cmdFastForward = nullptr;
    std::array<platform::ui::OptionButton*, 3> optPlayMode{};
    platform::ui::CommandButton* cmdZoomFull = nullptr;
    platform::ui::CommandButton* cmdZoomIn = nullptr;
    platform::ui::CommandButton* cmdZoomOut = nullptr;
    platform::ui::CommandButton* cmdZoomSelection = nullptr;
    platform::ui::CommandButton* cmdZoomSelectionStart = nullptr;
    platform::ui::CommandButton* cmdZoomSelectionEnd = nullptr;
    platform::ui::Panel* pnlAudioPosition = nullptr;
    platform::ui::Label* lblPosition = nullptr;
    platform::ui::Panel* pnlLength = nullptr;
    platform::ui::Label* lblLengthDesc = nullptr;
    platform::ui::Label* lblLength = nullptr;
    platform::ui::Label* lblSpaceRemainDesc = nullptr;
    platform::ui::Label* lblSpaceRemain = nullptr;

    // The status-bar panel of a key ("copyright", "audioformat"); 0 for none.
    int StatusPanel(const std::string& key) const;
    std::string StatusPanelText(const std::string& key) const;
    void SetStatusPanelText(const std::string& key, const std::string& text);

    // Tests and the screenshot script: the time the window refreshed its disk-space label.
    int DiskSpaceUpdates() const { return diskSpaceUpdates_; }

    // ---- open, show and save; marker boxes; keys; the outside editor; the item-editing
    // interface; cart mode without an item host (their own files) ---------------------------
    // Appends the pair "Description (Pattern)" / Pattern; returns the pair's filter index.
    static std::int16_t AddFileFilter(std::vector<std::string>& Filters, const std::string& Description,
                                      const std::string& Pattern);
    void EditInAudioEditor();
    bool ExportSelectionToFile();
    bool ExportToAudioFile();
    // The window's side of iEditHardDiskItem (ItemEditing() hands out the interface object).
    bool iEditHardDiskItem_EditInformation(std::int32_t InfoType);
    bool iEditHardDiskItem_PlayAudio(std::int32_t AudioType);
    platform::component::Ref<rozuzezer::iEditHardDiskItem> ItemEditing();
    void lblUncoverAudio_Click();
    void imgUncoverAudio_Click();
    void pnlAudioEditorCover_Click() {}
    // Cart mode: no item host is ever connected here, so these stop at once.
    bool OpenHDItem(const std::string& HDRef, std::int16_t OpenAudio, bool bShowBeforeWaveDisplay);
    bool SaveCart();
    void ImportIntoCart();
    void ExportTransportFile();
    bool CopySelectionToCart();
    void LinkOrImportAudioFile(bool Link);
    void duzip_UnZipMajorStatus(const std::string& Status);
    void dzip_ZipMajorStatus(const std::string& Status);
    void duzip_UnZipMinorStatus(std::int32_t Percent);
    void dzip_ZipMinorStatus(std::int32_t Percent);
    // The seven marker time boxes.
    void mtxtIntroStart_Change();
    void mtxtIntroEnd_Change();
    void mtxtExtro_Change();
    void mtxtHookStart_Change();
    void mtxtHookEnd_Change();
    void mtxtLoopStart_Change();
    void mtxtLoopEnd_Change();
    // After the audio changed outside the component: markers kept within the new length.
    void KeepMarkersWithin(float Length);
    // Tests: how the outside editor is started (program and its one argument); the default
    // starts it without a shell and keeps the window painting while it waits.
    using OutsideEditorRunner = std::function<int(const std::string& program, const std::string& argument)>;
    static OutsideEditorRunner SetOutsideEditorRunner(OutsideEditorRunner runner);
    // The window's keys (key preview); public so that tests press them one at a time.
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_KeyPress(int& KeyAscii) override;

protected:
    void Form_Initialize() override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Unload(int& Cancel) override;

private:
    void BuildControls();
    void BuildToolbars();
    void BuildPictures();
    void BuildDetailsTabs();
    void BuildTiming(QWidget* page);
    void BuildAudioArea();
    void BuildTransport();
    void ConnectHandlers();
    // The profile's audio format made usable for a new document (44,100 Hz stereo 16-bit
    // for a format without a rate or channels, said once).
    helpers::AudioFormatRef NewDocumentFormat();
    void ResetControls(int Flags);
    QMdiSubWindow* SubWindow() const;

    frmMain& main_;
    // Private state.
    std::int32_t playMode_ = 0;
    bool bAudioOpen_ = false;
    bool bUpdatingMarkers_ = false;   // the marker-box guard
    bool bCheckingMarkerOrder_ = false; // the time-box guard
    bool activatedOnce_ = false;
    bool displayDescriptions_ = false;
    bool standalone_ = false;
    bool allowEdit_ = false;
    bool formatWarned_ = false;
    bool maximising_ = false;
    int diskSpaceUpdates_ = 0;
    // Loop markers kept while "Loop a section of this audio" is unticked (restored on a re-tick).
    float keptLoopStart_ = 0, keptLoopEnd_ = 0;
    QObject* loadingInputBlock_ = nullptr; // swallows input to the details while loading
    // Cart mode only.
    std::int32_t pictureIndex_ = 0;
    std::int32_t zipCurrent_ = 0, zipTotal_ = 0;
    // ---- own block: open, save, markers --------------------------------------------------
    enum Marker { mkIntroStart, mkIntroEnd, mkExtro, mkHookStart, mkHookEnd, mkLoopStart, mkLoopEnd };
    static constexpr Marker kAllMarkers[] = {mkIntroStart, mkIntroEnd, mkExtro,  mkHookStart,
                                             mkHookEnd,    mkLoopStart, mkLoopEnd};
    static void SetMarker(rozuzezer::cHardDiskItem& item, Marker m, float value);
    void MarkerBoxChanged(Marker m);
    void MarkerBox_LostFocus();
    // Marks made while a recording runs: the markers stored (bit 1 << Marker), those of them a
    // Set press or typing wrote (not an order rule), and the values stored. Cleared when a
    // recording starts and once it has been taken in.
    struct RecordingMarks {
        unsigned stored = 0, set = 0;
        std::array<float, 7> value{};
    } recordingMarks_;
    // The audio change (the component's change count) whose region events last moved the
    // extro: an extro the change carried with the audio does not also jump to the end.
    std::uint64_t extroMovedBy_ = ~std::uint64_t{0};
    // An undo or redo is putting back audio the item had: what it brings back is no new
    // audio, and the markers its regions carry back stay.
    bool restoringAudio_ = false;
    // The item's outros 1 to 3 ride on hidden regions tagged from 5 on.
    static constexpr std::int16_t kOutros = 3;
    static constexpr int kFirstOutroTag = 5;
    bool HasRegionTagged(int Tag);
    platform::ui::MaskedTextBox* MarkerBox(Marker m) const;
    void ConnectMarkerHandlers();
    bool SaveDetailsToWAV(const std::string& Filename);
    bool SaveAs(std::string& Filename, bool Selection);
    std::string SuggestSaveName() const;
    void FillDefaultOriginator();
    bool bTextEdited_ = false;       // details (not only audio) changed since the last save
    platform::component::Ref<rozuzezer::iEditHardDiskItem> itemEditing_;

    // Audio side (editor/audio).
    friend class AudioCommand;
    bool MayStartCommand(bool needsAudio);
    void EndOfRecording();
    void ZoomAtSelection(bool atEnd);
    void EditorToFront();
    // The transform dialog, made on first use and kept (hidden between uses).
    frmLumoEditTransform& Transform();
    std::shared_ptr<frmLumoEditTransform> transform_;
    void PlayModeFromCode(int Index);
    void PlayerLoopSetup();
    void ApplyChannels(bool left, bool right);
    bool progressStampSet_ = false;
    double progressStamp_ = 0;
    std::string lastPositionText_;
    int loopDepth_ = 0;           // the progress event is running the message loop
    int messageLoopRuns_ = 0;
    bool recording_ = false;      // a recording this window started is running
    bool stopping_ = false;       // the window itself is stopping the component
};

// Installs the real editor window as the main window's (the program's main() does).
void InstallEditorWindow();

} // namespace lumoedit
