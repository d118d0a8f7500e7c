// The editor window's controls: what each one is, where it sits at its design size (in
// twips), its caption and tooltip, and the toolbars' keys. The layout that follows the
// window's size is Form_Resize (frmLumoEdit_Layout.cpp).
#include "editor/document/frmLumoEdit.h"

#include "editor/document/Pictures.h"
#include "editor/shell/frmMain.h"
#include "platform/audio/WaveformView.h"
#include "platform/ui/Handlers.h"
#include "platform/ui/Twips.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>

namespace lumoedit {

using namespace platform::ui;

namespace {

// Design sizes the layout reads but does not set.
constexpr double kToolbarHeight = 570;
constexpr double kDetailsHeight = 3660;
constexpr double kAudioToolbarHeight = 510;
constexpr double kControlsHeight = 600;
constexpr double kStatusHeight = 345;
// Narrow enough that the descriptions beside it keep room at the first-start size (800 x 600),
// wide enough for the longest line of its tabs.
constexpr double kTimingWidth = 5520;
constexpr double kMeterWidth = 300;
// The transport bar, the position and the length display fit side by side at 800 pixels.
constexpr double kButton = 420; // transport and zoom buttons are square
constexpr double kPositionWidth = 2100;
constexpr double kLengthWidth = 2430;

template <typename T>
T* Make(QWidget* parent, const std::string& name, double left, double top, double width, double height) {
    T* c = new T(parent, name);
    Move(c, left, top, width, height);
    return c;
}

Label* MakeLabel(QWidget* parent, const std::string& name, const std::string& caption, double left, double top,
                 double width, double height = 255) {
    auto* l = new Label(parent, name, caption);
    Move(l, left, top, width, height);
    return l;
}

CommandButton* MakeButton(QWidget* parent, const std::string& name, const std::string& caption, double left,
                          double top, double width, double height, const std::string& tip = {}) {
    auto* b = new CommandButton(parent, name, caption);
    Move(b, left, top, width, height);
    if (!tip.empty()) b->setToolTip(Q(tip));
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

TextBox* MakeText(QWidget* parent, const std::string& name, double left, double top, double width, int maxLength = 0,
                  double height = 315) {
    auto* t = new TextBox(parent, name);
    Move(t, left, top, width, height);
    t->SetMaxLength(maxLength);
    return t;
}

MaskedTextBox* MakeTime(QWidget* parent, const std::string& name, double left, double top) {
    auto* m = new MaskedTextBox(parent, name);
    Move(m, left, top, 1380, 315);
    return m;
}

// What a sub window of the main window adds around the editor: measured once it holds the
// shown window, else the frame the style draws (none while maximised: the main window's menu
// bar takes the sub window's buttons).
QSize SubWindowFrame(const QMdiSubWindow* sub, const QWidget* window) {
    if (sub && window->isVisible() && sub->isVisible()) return sub->size() - window->size();
    if (sub && sub->isMaximized()) return {};
    const QStyle* style = sub ? sub->style() : window->style();
    QStyleOptionTitleBar title;
    title.titleBarFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, sub);
    const int bar = style->pixelMetric(QStyle::PM_TitleBarHeight, &title, sub);
    return {2 * border, bar + border};
}

} // namespace

frmLumoEdit::frmLumoEdit(frmMain& main) : Form("frmLumoEdit"), main_(main) {
    SetCaption("");
    SetKeyPreview(true);
    BuildControls();
    Move(0, 0, 15000, 11000);
}

frmLumoEdit::~frmLumoEdit() {
    // The player and the component stop before their controls go.
    if (LumoPlayer1) LumoPlayer1->Stop();
    // The details' input filter reads the window's flags: it goes while they still exist.
    delete loadingInputBlock_;
}

void frmLumoEdit::BuildControls() {
    QWidget* c = Client();
    HWndGrab1 = new HWndGrab(this, "HWndGrab1");
    HWndGrab1->SetMinWidth(8355);
    HWndGrab1->SetMinHeight(6000);
    HWndGrab1->SetMaxWidth(90000);
    HWndGrab1->SetMaxHeight(90000);
    HWndGrab1->SetLimitSize(true);

    tmrUpdateHDSpace = new Timer(this, "tmrUpdateHDSpace", 30000);

    BuildPictures();
    BuildToolbars();
    BuildDetailsTabs();
    BuildAudioArea();
    BuildTransport();

    StatusBar1 = Make<StatusBar>(c, "StatusBar1", 0, 0, 15000, kStatusHeight);
    StatusBar1->AddPanel("status", "");
    StatusBar1->AddPanel("audioformat", "", 4800);
    StatusBar1->AddPanel("copyright", "", 5400);

    pnlAudioEditorRunning = new Panel(c, "pnlAudioEditorRunning",
                                      "The audio is open in the outside audio editor. Close it there to continue.");
    Move(pnlAudioEditorRunning, 0, 0, 15000, 10000);
    pnlAudioEditorRunning->setVisible(false);

    pnlCartNumber = new Panel(c, "pnlCartNumber", "");
    Move(pnlCartNumber, 0, 0, 1500, kToolbarHeight);
    pnlCartNumber->setVisible(false);

    LumoPlayer1 = std::make_unique<platform::audio::LumoPlayer>();
    ConnectHandlers();
}

void frmLumoEdit::BuildPictures() {
    imgListToolbar = new ImageList(this, "imgListToolbar");
    imgListPictures = new ImageList(this, "imgListPictures");
    FillToolbarImages(*imgListToolbar);
    FillWindowPictures(*imgListPictures);
}

void frmLumoEdit::BuildToolbars() {
    QWidget* c = Client();
    toolMain = Make<Toolbar>(c, "toolMain", 0, 0, 15000, kToolbarHeight);
    toolMain->SetImageList(imgListToolbar);
    struct Key {
        const char* key;
        const char* tip;
        const char* image;
    };
    // Separators carry keys of their own ("…sep"), so the modes show and hide them with their
    // buttons.
    const Key mainKeys[] = {
        {"cartnumber", "Cart number", ""},
        {"cartnumbersep", nullptr, nullptr},
        {"new", "New Audio", "new"},
        {"opensep", nullptr, nullptr},
        {"open", "Open a file for editing", "open"},
        {"save", "Save", "disk"},
        {"saveas", "Save As...", "saveas"},
        {"editsep", nullptr, nullptr},
        {"edit", "Edit the Audio with an external editor.", "edit"},
        {"deletesep", nullptr, nullptr},
        {"delete", "Delete this entire cart permanently.", "delete"},
        {"linksep", nullptr, nullptr},
        {"link", "Link this Cart to a WAV file", "link"},
        {"import", "Import an Audio file or a Transport file", "diskdown"},
        {"exporttransport", "Export all Information to a File", "diskup"},
        {"descriptionssep", nullptr, nullptr},
        {"descriptions", "Display the Cart Descriptions", "descriptions"},
    };
    for (const Key& k : mainKeys) {
        if (!k.tip) {
            toolMain->AddSeparator(k.key);
            continue;
        }
        toolMain->AddButton(k.key, k.tip);
        if (*k.image) toolMain->SetButtonImage(k.key, k.image);
    }
    toolMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolMain->SetButtonVisible("cartnumber", false);
    toolMain->AddButtonMenu("link", "linktofile", "Select the File to Link To");
    toolMain->AddButtonMenu("link", "linkstop", "Stop Linking to the current File");
    toolMain->AddButtonMenu("exporttransport", "exporttransport", "Export to a Transport File");
    toolMain->AddButtonMenu("exporttransport", "exportaudio", "Export to an Audio File");
    toolMain->SetButtonValue("descriptions", false);
    for (const char* k : {"save", "delete", "exporttransport"}) SetTag(toolMain->Button(k), "edit");

    toolAudioEditor = Make<Toolbar>(c, "toolAudioEditor", 0, kToolbarHeight + kDetailsHeight + 60, 15000,
                                    kAudioToolbarHeight);
    toolAudioEditor->SetImageList(imgListToolbar);
    const Key audioKeys[] = {
        {"undo", "Un-do the last action", "undo"},
        {"redo", "Re-do the last action", "redo"},
        {"cut", "Cut selection to LumoEdit Clip area", "cut"},
        {"copy", "Copy Selection to LumoEdit Clip area", "copy"},
        {"exportsectiontowav", "Export the Section to a WAV File", "exportsection"},
        {"exportsectiontohditem", "Export the Section to another Cart", "exportsectionhditem"},
        {"paste", "Paste from LumoEdit Clip area", "paste"},
        {"delete", "Delete the highlighted section", "deletesection"},
        {"erase", "Erases the selection leaving silence", "erase"},
        {"stereo", "Edit both channels", "stereo"},
        {"editsep", nullptr, nullptr},
        {"silence", "Insert silent audio (replaces any selected audio)", "silence"},
        {"deletesilence", "Remove silences from the selection", "deletesilence"},
        {"reverse", "Reverses the Section", "reverse"},
        {"timestretch", "Time Stretch the audio", "timestretch"},
        {"volumesep", nullptr, nullptr},
        {"amplify", "Change the volume of the section", "amplify"},
        {"normalise", "Normalise the Selection to a set volume ", "normalise"},
        {"fadein", "Fade in the selection", "fadein"},
        {"fadeout", "Fade out the selection", "fadeout"},
    };
    for (const Key& k : audioKeys) {
        if (!k.tip) {
            toolAudioEditor->AddSeparator(k.key);
            continue;
        }
        toolAudioEditor->AddButton(k.key, k.tip);
        toolAudioEditor->SetButtonImage(k.key, k.image);
    }
    toolAudioEditor->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolAudioEditor->AddButtonMenu("copy", "copy", "Copy to LumoEdit Clip Area");
    toolAudioEditor->AddButtonMenu("copy", "copytoclipboard", "Copy to Windows Clipboard");
    toolAudioEditor->AddButtonMenu("copy", "copytocartsep", "-");
    toolAudioEditor->AddButtonMenu("copy", "copytocart", "Export selection to another Cart");
    toolAudioEditor->AddButtonMenu("paste", "paste", "Paste from the LumoEdit Clip area");
    toolAudioEditor->AddButtonMenu("paste", "pastemix", "Mix Paste From the Clip Area");
    toolAudioEditor->AddButtonMenu("paste", "pastecart", "Insert another entire cart ");
    toolAudioEditor->AddButtonMenu("paste", "mixpastecart", "Mix another entire cart");
    toolAudioEditor->AddButtonMenu("paste", "pastefromclipboard", "Paste from the Windows Clipboard");
    toolAudioEditor->AddButtonMenu("paste", "insertfile", "Insert Another File");
    toolAudioEditor->AddButtonMenu("paste", "mixinsertfile", "Mix Insert From File");
    toolAudioEditor->AddButtonMenu("stereo", "leftchannel", "Only edit the left channel");
    toolAudioEditor->AddButtonMenu("stereo", "rightchannel", "Only edit the right channel");
    for (const char* k : {"undo", "redo", "cut", "copy", "paste", "delete", "erase", "silence", "deletesilence",
                          "reverse", "timestretch", "amplify", "normalise", "fadein", "fadeout"})
        SetTag(toolAudioEditor->Button(k), "edit");
}

void frmLumoEdit::BuildDetailsTabs() {
    QWidget* c = Client();
    tbsCartDetails = Make<TabStrip>(c, "tbsCartDetails", 60, kToolbarHeight, 14880, kDetailsHeight);
    QWidget* general = tbsCartDetails->AddTab("General");
    QWidget* notes = tbsCartDetails->AddTab("Notes");
    QWidget* copyright = tbsCartDetails->AddTab("Copyright");
    QWidget* other = tbsCartDetails->AddTab("Other");

    // "General": the descriptions at the left, the timing panel at the right.
    fraGeneralInfo = Make<Frame>(general, "fraGeneralInfo", 60, 30, 14760, 3150);
    // Each box starts where its label ends; the labels are wide enough that their captions
    // stop short of the box.
    const char* descCaptions[] = {"", "Title:", "Artist:", "Description:"};
    for (int i = 1; i <= 3; ++i) {
        const std::string n = std::to_string(i);
        const double top = 120 + (i - 1) * 375;
        lblDescriptionDesc[i] = MakeLabel(fraGeneralInfo, "lblDescriptionDesc(" + n + ")", descCaptions[i], 90,
                                          top + 30, 1170);
        txtDescription[i] = MakeText(fraGeneralInfo, "txtDescription(" + n + ")", 1260, top, 6000, 50);
    }
    lblCategoryDesc = MakeLabel(fraGeneralInfo, "lblCategoryDesc", "Category:", 90, 1275, 1170);
    comboCategory = Make<ComboBox>(fraGeneralInfo, "comboCategory", 1260, 1245, 2400, 330);
    lblOutCueDesc = MakeLabel(fraGeneralInfo, "lblOutCueDesc", "Out Cue:", 3720, 1275, 840);
    txtOutCue = MakeText(fraGeneralInfo, "txtOutCue", 4620, 1245, 2220, 64);

    fraEndType = Make<Frame>(fraGeneralInfo, "fraEndType", 90, 1620, 5880, 900);
    fraEndType->SetCaption("End Type:");
    struct End {
        OptionButton** button;
        const char* name;
        const char* caption;
        const char* picture;
    };
    const End ends[] = {
        {&optAudioEndNotSpecified, "optAudioEndNotSpecified", "&Not Spec.", "endnotspecified"},
        {&optAudioEnds, "optAudioEnds", "&Ends", "endends"},
        {&optAudioFades, "optAudioFades", "F&ades", "endfades"},
        {&optAudioSustain, "optAudioSustain", "&Sustain", "endsustain"},
        {&optAudioSlowFade, "optAudioSlowFade", "S&low Fade", "endslowfade"},
    };
    // Graphical buttons of one size, the widest caption's, side by side.
    QSize face;
    for (const End& e : ends) {
        *e.button = new OptionButton(fraEndType, e.name, e.caption);
        (*e.button)->SetButtonStyle(OptionButton::Graphical);
        SetButtonPicture(*e.button, *imgListPictures, e.picture);
        face = face.expandedTo((*e.button)->sizeHint());
    }
    double left = 90;
    for (const End& e : ends) {
        Move(*e.button, left, 240, PixelsToTwipsX(face.width()), PixelsToTwipsY(face.height()));
        left += PixelsToTwipsX(face.width()) + 60;
    }
    SetWidth(fraEndType, left + 30);
    SetHeight(fraEndType, 240 + PixelsToTwipsY(face.height()) + 60);
    const double colours = Top(fraEndType) + Height(fraEndType) + 30;
    optAudioSustain->setToolTip(QStringLiteral("'Tail out' or 'Sustain End'"));

    chkCustomColours = Make<CheckBox>(fraGeneralInfo, "chkCustomColours", 120, colours + 90, 1860, 300);
    chkCustomColours->SetCaption("Custom Colours:");
    fraCustomColours = Make<Frame>(fraGeneralInfo, "fraCustomColours", 1980, colours, 1140, 480);
    cmdChangeBackgroundColour = MakeButton(fraCustomColours, "cmdChangeBackgroundColour", "", 60, 60, 480, 390,
                                           "Set the background colour");
    SetButtonPicture(cmdChangeBackgroundColour, *imgListPictures, "backcolour");
    cmdChangeForegroundColour = MakeButton(fraCustomColours, "cmdChangeForegroundColour", "", 600, 60, 480, 390,
                                           "Set the text colour");
    SetButtonPicture(cmdChangeForegroundColour, *imgListPictures, "textcolour");
    // Usable only while "Custom Colours:" is ticked, which it is not at first.
    for (QWidget* w : std::initializer_list<QWidget*>{fraCustomColours, cmdChangeBackgroundColour, cmdChangeForegroundColour})
        w->setEnabled(false);
    lblLinkedFileDesc = MakeLabel(fraGeneralInfo, "lblLinkedFileDesc", "", 3240, colours + 120, 3960);
    lblLinkedFileDesc->setVisible(false);

    pnlTiming = Make<Panel>(fraGeneralInfo, "pnlTiming", 14760 - kTimingWidth - 60, 90, kTimingWidth, 3000);
    pnlTiming->SetBevelOuter(0);
    tbsTiming = Make<TabStrip>(pnlTiming, "tbsTiming", 0, 0, kTimingWidth, 3000);
    BuildTiming(nullptr);

    // "Notes": the studio and DAB notes at the left, the web fields at the right.
    // The columns stand as far from the tab's left edge as the right one from its right edge.
    lblNotesDesc = MakeLabel(notes, "lblNotesDesc", "Studio Notes for the Presenter:", 90, 60, 7000);
    txtNotes = Make<TextArea>(notes, "txtNotes", 90, 330, 7140, 1260);
    lblDABDesc = MakeLabel(notes, "lblDABDesc", "DAB Notes - to be transmitted to compatible DAB receivers:", 90,
                           1680, 7000);
    txtDAB = Make<TextArea>(notes, "txtDAB", 90, 1950, 7140, 1140);
    rtxtNotesProcessor = Make<RichTextBox>(notes, "rtxtNotesProcessor", 90, 330, 600, 300);
    rtxtNotesProcessor->setVisible(false);
    lblWebTextDisplay = MakeLabel(notes, "lblWebTextDisplay", "Information to Display on the Web:", 7350, 60, 3600);
    txtWebNotes = Make<TextArea>(notes, "txtWebNotes", 7350, 330, 7140, 1260);
    lblArtistWebPage = MakeLabel(notes, "lblArtistWebPage", "Artist/Performer Web page:", 7350, 1680, 7000);
    txtArtistWebLink = MakeText(notes, "txtArtistWebLink", 7350, 1950, 7140);
    lblOnlineStoreReference = MakeLabel(notes, "lblOnlineStoreReference", "Online store Reference:", 7350, 2370, 7000);
    txtOnlineStoreRef = MakeText(notes, "txtOnlineStoreRef", 7350, 2640, 7140);

    // "Copyright": the music-reporting fields.
    picCopyright1 = Make<PictureBox>(copyright, "picCopyright1", 90, 60, 10260, 3030);
    picCopyright1->SetBorderStyle(0);
    picCopyright2 = Make<PictureBox>(copyright, "picCopyright2", 10470, 60, 4200, 3030);
    picCopyright2->SetBorderStyle(0);
    struct Field {
        Label** label;
        const char* labelName;
        const char* caption;
        TextBox** box;
        const char* boxName;
        CommandButton** copy;
        const char* copyName;
    };
    const Field left1[] = {
        {&lblProductTitleDesc, "lblProductTitleDesc", "Product Title:", &txtProductTitle, "txtProductTitle",
         &cmdCopyProductTitle, "cmdCopyProductTitle"},
        {&lblMusicTitleDesc, "lblMusicTitleDesc", "Music Title:", &txtMusicTitle, "txtMusicTitle", &cmdCopyMusicTitle,
         "cmdCopyMusicTitle"},
        {&lblComposerDesc, "lblComposerDesc", "Composer/Arr:", &txtComposer, "txtComposer", nullptr, nullptr},
        {&lblPublisherDesc, "lblPublisherDesc", "Publisher", &txtPublisher, "txtPublisher", nullptr, nullptr},
        {&lblPerformerDesc, "lblPerformerDesc", "Performer:", &txtPerformer, "txtPerformer", &cmdCopyPerformer,
         "cmdCopyPerformer"},
        {&lblRecordLabelDesc, "lblRecordLabelDesc", "Record Label:", &txtRecordLabel, "txtRecordLabel", nullptr,
         nullptr},
        {&lblRecordNumberDesc, "lblRecordNumberDesc", "Record(ing) No:", &txtRecordNumber, "txtRecordNumber", nullptr,
         nullptr},
        // With the boxes its panel's resize stretches, so it ends where they end.
        {&lblRightsManagementRefDesc, "lblRightsManagementRefDesc", "Rights Manage Ref:", &txtRightsManagementRef,
         "txtRightsManagementRef", nullptr, nullptr},
    };
    double top = 0;
    for (const Field& f : left1) {
        *f.label = MakeLabel(picCopyright1, f.labelName, f.caption, 0, top + 30, 1800);
        *f.box = MakeText(picCopyright1, f.boxName, 1860, top, f.copy ? 7530 : 8400);
        if (f.copy) *f.copy = MakeButton(picCopyright1, f.copyName, "Copy", 9450, top, 810, 315);
        top += 375;
    }
    const Field right1[] = {
        {&lblMusicDurationDesc, "lblMusicDurationDesc", "Music Duration:", &txtMusicDuration, "txtMusicDuration",
         nullptr, nullptr},
        {&lblTotalDurationDesc, "lblTotalDurationDesc", "Total Duration:", &txtTotalDuration, "txtTotalDuration",
         &cmdCopyTotalDuration, "cmdCopyTotalDuration"},
    };
    top = 375;
    lblCopyrightCodeDesc = MakeLabel(picCopyright2, "lblCopyrightCodeDesc", "Copyright Code:", 0, 30, 1560);
    listCopyrightCode = Make<ComboBox>(picCopyright2, "listCopyrightCode", 1620, 0, 2580, 330);
    for (const Field& f : right1) {
        *f.label = MakeLabel(picCopyright2, f.labelName, f.caption, 0, top + 30, 1560);
        *f.box = MakeText(picCopyright2, f.boxName, 1620, top, f.copy ? 1710 : 2580);
        if (f.copy) *f.copy = MakeButton(picCopyright2, f.copyName, "Copy", 3390, top, 810, 315);
        top += 375;
    }

    // "Other": the pictures and last plays of cart mode, the file's own details.
    pnlPictureDesc = new Panel(other, "pnlPictureDesc",
                               "These pictures will be displayed on the RozuzEzer alongside any notes that have been "
                               "entered, and can also be displayed on your website:");
    Move(pnlPictureDesc, 60, 60, 2400, 3000);
    pnlPictureDesc->findChild<QLabel*>(QStringLiteral("caption"))->setWordWrap(true);
    pnlImage = Make<Panel>(other, "pnlImage", 2520, 60, 3600, 3000);
    imgPicture = Make<PictureBox>(pnlImage, "imgPicture", 60, 60, 3480, 2220);
    lblPictureReferenceDesc = MakeLabel(pnlImage, "lblPictureReferenceDesc", "1 of 10", 60, 2340, 3480);
    lblPictureReferenceDesc->setAlignment(Qt::AlignCenter);
    struct PicButton {
        CommandButton** b;
        const char* name;
        const char* picture;
        const char* tip;
    };
    const PicButton picButtons[] = {
        {&cmdPreviousPicture, "cmdPreviousPicture", "previous", "Show the previous picture"},
        {&cmdNextPicture, "cmdNextPicture", "next", "Show the next picture"},
        {&cmdMovePicUp, "cmdMovePicUp", "up", "Move this picture up"},
        {&cmdMovePicDown, "cmdMovePicDown", "down", "Move this picture down"},
        {&cmdClearPic, "cmdClearPic", "clear", "Delete this picture"},
        {&cmdImportPicture, "cmdImportPicture", "import", "Add pictures from files"},
    };
    left = 60;
    for (const PicButton& p : picButtons) {
        *p.b = MakeButton(pnlImage, p.name, "", left, 2610, 540, 330, p.tip);
        SetButtonPicture(*p.b, *imgListPictures, p.picture);
        left += 585;
    }
    fraLastPlayInformation = Make<Frame>(other, "fraLastPlayInformation", 6180, 60, 8580, 3000);
    fraLastPlayInformation->SetCaption("Last Play Information:");
    listLastPlays = Make<ListBox>(fraLastPlayInformation, "listLastPlays", 120, 270, 8340, 1620);
    cmdEraseLastPlays = MakeButton(fraLastPlayInformation, "cmdEraseLastPlays", "Erase this Last Play Information", 120,
                                   1950, 8340, 375);
    pnlEraseLastPlayInfoDesc = new Panel(fraLastPlayInformation, "pnlEraseLastPlayInfoDesc",
                                         "Erasing the Last Play Information does not affect the Cart Play Logs, only the "
                                         "brief summary information displayed above.");
    Move(pnlEraseLastPlayInfoDesc, 120, 2400, 8340, 480);
    pnlEraseLastPlayInfoDesc->SetBevelOuter(0);
    pnlEraseLastPlayInfoDesc->findChild<QLabel*>(QStringLiteral("caption"))->setWordWrap(true);

    fraStandaloneDetails = Make<Frame>(other, "fraStandaloneDetails", 60, 60, 14760, 1620);
    fraStandaloneDetails->SetCaption("File Details:");
    lblClientDesc = MakeLabel(fraStandaloneDetails, "lblClientDesc", "Client:", 120, 330, 1260);
    txtClient = MakeText(fraStandaloneDetails, "txtClient", 1440, 300, 13260, 64);
    lblOriginatorDesc = MakeLabel(fraStandaloneDetails, "lblOriginatorDesc", "Originator:", 120, 735, 1260);
    txtOriginator = MakeText(fraStandaloneDetails, "txtOriginator", 1440, 705, 6000, 32);
    lblOriginationDate = MakeLabel(fraStandaloneDetails, "lblOriginationDate", "", 11400, 735, 3300);
    lblOriginationDateDesc = MakeLabel(fraStandaloneDetails, "lblOriginationDateDesc", "Originated:", 10020, 735, 1320);
    lblSchedulerIDDesc = MakeLabel(fraStandaloneDetails, "lblSchedulerIDDesc", "Scheduler ID:", 120, 1140, 1260);
    txtSchedulerID = MakeText(fraStandaloneDetails, "txtSchedulerID", 1440, 1110, 13260, 64);
}

void frmLumoEdit::BuildTiming(QWidget*) {
    QWidget* times = tbsTiming->AddTab("Times");
    QWidget* looping = tbsTiming->AddTab("Looping");
    QWidget* third = tbsTiming->AddTab("Hardware");

    struct Row {
        Label** label;
        const char* labelName;
        const char* caption;
        MaskedTextBox** box;
        const char* boxName;
        CommandButton** set;
        const char* setName;
        const char* setCaption;
    };
    const Row rows[] = {
        {&lblIntroStartDesc, "lblIntroStartDesc", "Intro &Start:", &mtxtIntroStart, "mtxtIntroStart", &cmdSetIntroStart,
         "cmdSetIntroStart", "Set (&/)"},
        {&lblIntroEndDesc, "lblIntroEndDesc", "&Intro End:", &mtxtIntroEnd, "mtxtIntroEnd", &cmdSetIntroEnd,
         "cmdSetIntroEnd", "Set (&*)"},
        {&lblExtroDesc, "lblExtroDesc", "E&xtro:", &mtxtExtro, "mtxtExtro", &cmdSetExtro, "cmdSetExtro", "Set (&-)"},
        {&lblHookStartDesc, "lblHookStartDesc", "Hook Start:", &mtxtHookStart, "mtxtHookStart", &cmdSetHookStart,
         "cmdSetHookStart", "Set"},
        {&lblHookEndDesc, "lblHookEndDesc", "Hook End:", &mtxtHookEnd, "mtxtHookEnd", &cmdSetHookEnd, "cmdSetHookEnd",
         "Set"},
    };
    double top = 90;
    for (const Row& r : rows) {
        *r.label = MakeLabel(times, r.labelName, r.caption, 120, top + 30, 1260);
        *r.box = MakeTime(times, r.boxName, 1440, top);
        *r.set = MakeButton(times, r.setName, r.setCaption, 2880, top - 15, 1020, 345);
        top += 435;
    }
    // The marker labels name their boxes: the access key moves to the box.
    lblIntroStartDesc->setBuddy(mtxtIntroStart);
    lblIntroEndDesc->setBuddy(mtxtIntroEnd);
    lblExtroDesc->setBuddy(mtxtExtro);
    cmdPlayHook = MakeButton(times, "cmdPlayHook", "", 3960, 90 + 3 * 435 - 15, 480, 780, "Play the Hook");
    SetButtonPicture(cmdPlayHook, *imgListToolbar, "hook");

    chkLoop = Make<CheckBox>(looping, "chkLoop", 60, 60, 4500, 300);
    chkLoop->SetCaption("Loop a section of this audio");
    fraLooping = Make<Frame>(looping, "fraLooping", 60, 360, kTimingWidth - 180, 1620);
    lblLoopStartDesc = MakeLabel(fraLooping, "lblLoopStartDesc", "Start:", 120, 300, 720);
    mtxtLoopStart = MakeTime(fraLooping, "mtxtLoopStart", 840, 270);
    cmdSetLoopStart = MakeButton(fraLooping, "cmdSetLoopStart", "Set", 2280, 255, 900, 345);
    lblLoopEndDesc = MakeLabel(fraLooping, "lblLoopEndDesc", "End:", 120, 735, 720);
    mtxtLoopEnd = MakeTime(fraLooping, "mtxtLoopEnd", 840, 705);
    cmdSetLoopEnd = MakeButton(fraLooping, "cmdSetLoopEnd", "Set", 2280, 690, 900, 345);
    cmdPlayLoop = MakeButton(fraLooping, "cmdPlayLoop", "", 3300, 255, 480, 780, "Play the Looping Section");
    SetButtonPicture(cmdPlayLoop, *imgListToolbar, "loop");
    chkMaxLoop = Make<CheckBox>(fraLooping, "chkMaxLoop", 120, 1170, 1260, 300);
    chkMaxLoop->SetCaption("Play Loop");
    chkMaxLoop->setToolTip(QStringLiteral("Turning this off causes the Loop to play forever."));
    txtMaxLoop = MakeText(fraLooping, "txtMaxLoop", 1440, 1155, 600, 3);
    lblLoopCount = MakeLabel(fraLooping, "lblLoopCount", "times.", 2100, 1185, 900);
    // Below the frame, so that its long caption has the tab's whole width.
    chkLoopJump = Make<CheckBox>(looping, "chkLoopJump", 60, 2070, kTimingWidth - 180, 300);
    chkLoopJump->SetCaption("Jump to Loop End when user terminates the loop early.");

    // The hardware lines a playout system fires at the markers (cart mode).
    fraHardware = Make<Frame>(third, "fraHardware", 60, 30, kTimingWidth - 180, 2520);
    struct Line {
        ComboBox** line;
        const char* lineName;
        ComboBox** type;
        const char* typeName;
        const char* caption;
    };
    const Line lines[] = {
        {&comboIntroStartHWLine, "comboIntroStartHWLine", &comboIntroStartHWType, "comboIntroStartHWType", "Intro Start:"},
        {&comboIntroEndHWLine, "comboIntroEndHWLine", &comboIntroEndHWType, "comboIntroEndHWType", "Intro End:"},
        {&comboExtroHWLine, "comboExtroHWLine", &comboExtroHWType, "comboExtroHWType", "Extro:"},
        {&comboHookStartHWLine, "comboHookStartHWLine", &comboHookStartHWType, "comboHookStartHWType", "Hook Start:"},
        {&comboHookEndHWLine, "comboHookEndHWLine", &comboHookEndHWType, "comboHookEndHWType", "Hook End:"},
    };
    top = 150;
    for (const Line& l : lines) {
        auto* label = new Label(fraHardware, std::string(l.lineName) + "Desc", l.caption);
        Move(label, 120, top + 30, 1260, 255);
        *l.line = Make<ComboBox>(fraHardware, l.lineName, 1440, top, 2160, 330);
        *l.type = Make<ComboBox>(fraHardware, l.typeName, 3660, top, 1620, 330);
        top += 450;
    }

    // File mode's third tab: the air window.
    fraOtherTiming = Make<Frame>(third, "fraOtherTiming", 60, 30, kTimingWidth - 180, 2520);
    struct Air {
        CheckBox** check;
        const char* checkName;
        const char* caption;
        Frame** frame;
        const char* frameName;
        TextBox** date;
        const char* dateName;
        TextBox** hour;
        const char* hourName;
        TextBox** minutes;
        const char* minutesName;
        Label** day;
        const char* dayName;
    };
    const Air airs[] = {
        {&chkAirStart, "chkAirStart", "Do not play before:", &fraAirStart, "fraAirStart", &txtAirStartDate,
         "txtAirStartDate", &txtAirStartHour, "txtAirStartHour", &txtAirStartMinutes, "txtAirStartMinutes",
         &lblAirStartDay, "lblAirStartDay"},
        {&chkAirEnd, "chkAirEnd", "Do not play After:", &fraAirEnd, "fraAirEnd", &txtAirEndDate, "txtAirEndDate",
         &txtAirEndHour, "txtAirEndHour", &txtAirEndMinutes, "txtAirEndMinutes", &lblAirEndDay, "lblAirEndDay"},
    };
    top = 120;
    for (const Air& a : airs) {
        *a.check = Make<CheckBox>(fraOtherTiming, a.checkName, 120, top, 3000, 300);
        (*a.check)->SetCaption(a.caption);
        *a.frame = Make<Frame>(fraOtherTiming, a.frameName, 120, top + 300, kTimingWidth - 420, 720);
        *a.date = MakeText(*a.frame, a.dateName, 90, 240, 2100);
        *a.hour = MakeText(*a.frame, a.hourName, 2250, 240, 450, 2);
        auto* colon = new Label(*a.frame, std::string(a.hourName) + "Sep", ":");
        Move(colon, 2700, 270, 180, 255);
        colon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        *a.minutes = MakeText(*a.frame, a.minutesName, 2880, 240, 450, 2);
        *a.day = MakeLabel(*a.frame, a.dayName, "", 3450, 270, 1560);
        top += 1170;
    }
}

void frmLumoEdit::BuildAudioArea() {
    QWidget* c = Client();
    const double top = kToolbarHeight + kDetailsHeight + 60 + kAudioToolbarHeight + 60;
    ctlEditor = new platform::audio::AudioEditorControl(c, "ctlEditor");
    Move(ctlEditor, 60, top, 14100, 4800);
    nctLeftVol = new platform::audio::LevelMeter(c);
    nctLeftVol->setObjectName(QStringLiteral("nctLeftVol"));
    Move(nctLeftVol, 14220, top, kMeterWidth, 4800);
    nctRightVol = new platform::audio::LevelMeter(c);
    nctRightVol->setObjectName(QStringLiteral("nctRightVol"));
    Move(nctRightVol, 14580, top, kMeterWidth, 4800);

    pnlAudioEditorCover = Make<Panel>(c, "pnlAudioEditorCover", 60, top, 14100, 4800);
    pnlAudioEditorCover->SetBevelOuter(1);
    imgUncoverAudio = Make<PictureBox>(pnlAudioEditorCover, "imgUncoverAudio", 6570, 1200, 960, 960);
    imgUncoverAudio->SetBorderStyle(0);
    imgUncoverAudio->SetPicture(imgListPictures->Picture("uncover").pixmap(64, 64));
    imgUncoverAudio->setCursor(Qt::PointingHandCursor);
    lblUncoverAudio = MakeLabel(pnlAudioEditorCover, "lblUncoverAudio", "Click here to open the file for Audio Editing",
                                60, 2220, 13980, 360);
    lblUncoverAudio->setAlignment(Qt::AlignCenter);
    lblUncoverAudio->setCursor(Qt::PointingHandCursor);
    prgPlayProgress = Make<ProgressBar>(pnlAudioEditorCover, "prgPlayProgress", 120, 4440, 13860, 240);
    prgPlayProgress->SetMax(100000);
    pnlAudioPart = Make<Panel>(pnlAudioEditorCover, "pnlAudioPart", 6000, 3960, 2400, 360);
    pnlAudioPart->SetBevelOuter(0);
    lblAudioPart = MakeLabel(pnlAudioPart, "lblAudioPart", "", 60, 30, 2280, 300);
    lblAudioPart->setAlignment(Qt::AlignCenter);

    pnlProgress = Make<Panel>(c, "pnlProgress", 9000, top + 30, 5100, 690);
    lblProgressDesc = MakeLabel(pnlProgress, "lblProgressDesc", " ", 120, 60, 4860);
    prgProgress = Make<ProgressBar>(pnlProgress, "prgProgress", 120, 360, 4860, 240);
    pnlProgress->setVisible(false);

    pnlSelection = Make<Panel>(c, "pnlSelection", 11400, top + 4400, 2700, 360);
    lblSelectionDesc = MakeLabel(pnlSelection, "lblSelectionDesc", "Sel:", 90, 45, 540);
    lblSelectionLength = MakeLabel(pnlSelection, "lblSelectionLength", "00:00:00.00", 660, 45, 1980);
    pnlSelection->setVisible(false);
}

void frmLumoEdit::BuildTransport() {
    QWidget* c = Client();
    picControls = Make<PictureBox>(c, "picControls", 60, 10000, 8040, kControlsHeight);
    picControls->SetBorderStyle(0);
    struct B {
        CommandButton** b;
        const char* name;
        const char* picture;
        const char* tip;
    };
    const B transport[] = {
        {&cmdRewind, "cmdRewind", "rewind", "Scroll to the beginning of the file."},
        {&cmdPlay, "cmdPlay", "play", "Start the playback"},
        {&cmdPause, "cmdPause", "pause", "Pause/resume the current playback"},
        {&cmdStop, "cmdStop", "stop", "Stops the playback"},
        {&cmdRecord, "cmdRecord", "recorddark", "Start Recording"},
        {&cmdFastForward, "cmdFastForward", "fastforward", "Scroll to the end of the file."},
    };
    double left = 0;
    const double top = (kControlsHeight - kButton) / 2;
    for (const B& t : transport) {
        *t.b = MakeButton(picControls, t.name, "", left, top, kButton, kButton, t.tip);
        const bool own = imgListPictures->Has(t.picture); // the scroll buttons have no toolbar key
        SetButtonPicture(*t.b, own ? *imgListPictures : *imgListToolbar, t.picture);
        left += kButton + 15;
    }
    left += 105;
    const B modes[] = {
        {nullptr, "optPlayMode(0)", "playarrow", "Play Normally"},
        {nullptr, "optPlayMode(1)", "loop", "Change to Loop Play Mode"},
        {nullptr, "optPlayMode(2)", "playend", "Play normally, but ignore the end of selection marker"},
    };
    for (int i = 0; i < 3; ++i) {
        auto* o = Make<OptionButton>(picControls, modes[i].name, left, top, kButton, kButton);
        o->SetButtonStyle(OptionButton::Graphical);
        o->setToolTip(Q(modes[i].tip));
        SetButtonPicture(o, *imgListToolbar, modes[i].picture);
        optPlayMode[static_cast<std::size_t>(i)] = o;
        left += kButton + 15;
    }
    optPlayMode[0]->SetValue(true);
    left += 105;
    const B zooms[] = {
        {&cmdZoomFull, "cmdZoomFull", "zoomfull", "Show the entire audio file"},
        {&cmdZoomIn, "cmdZoomIn", "zoomin", "Zoom-In"},
        {&cmdZoomOut, "cmdZoomOut", "zoomout", "Zoom-Out"},
        {&cmdZoomSelection, "cmdZoomSelection", "zoomselection", "Zoom To show the entire Selection"},
        {&cmdZoomSelectionStart, "cmdZoomSelectionStart", "zoomselectionstart", "Zoom in to Start of Selection"},
        {&cmdZoomSelectionEnd, "cmdZoomSelectionEnd", "zoomselectionend", "Zoom-in to End of Selection"},
    };
    for (const B& z : zooms) {
        *z.b = MakeButton(picControls, z.name, "", left, top, kButton, kButton, z.tip);
        SetButtonPicture(*z.b, *imgListPictures, z.picture);
        left += kButton + 15;
    }
    SetWidth(picControls, left);

    pnlAudioPosition = Make<Panel>(c, "pnlAudioPosition", left + 120, 10000, kPositionWidth, kControlsHeight);
    pnlAudioPosition->SetBevelOuter(1);
    SetBackColor(pnlAudioPosition, 0x000000); // the position's part colours read on black
    lblPosition = MakeLabel(pnlAudioPosition, "lblPosition", "00:00:00.00", 60, 90, kPositionWidth - 120, 420);
    lblPosition->setAlignment(Qt::AlignCenter);
    QFont big = lblPosition->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblPosition->setFont(big);

    // The length over the recording time left, so the panel stays narrow.
    pnlLength = Make<Panel>(c, "pnlLength", 15000 - kLengthWidth - 60, 10000, kLengthWidth, kControlsHeight);
    pnlLength->SetBevelOuter(1);
    lblLengthDesc = MakeLabel(pnlLength, "lblLengthDesc", "Length:", 90, 30, 810);
    lblLength = MakeLabel(pnlLength, "lblLength", "00:00:00.00", 930, 30, kLengthWidth - 1020);
    lblSpaceRemainDesc = MakeLabel(pnlLength, "lblSpaceRemainDesc", "Space:", 90, 300, 810);
    lblSpaceRemain = MakeLabel(pnlLength, "lblSpaceRemain", "00:00:00.00", 930, 300, kLengthWidth - 1020);
    lblSpaceRemain->setToolTip(QStringLiteral("Recording time left on the audio file's drive"));
    lblLength->setToolTip(QStringLiteral("Length of the audio"));
}

void frmLumoEdit::ConnectHandlers() {
    On(tmrUpdateHDSpace, &Timer::Tick, this, &frmLumoEdit::tmrUpdateHDSpace_Timer, "tmrUpdateHDSpace_Timer");
    // The player raises its position, level and end events from its own timer.
    platform::audio::StartTransportTimer(this, [this] {
        RunHandler("LumoPlayer1", [this] {
            if (LumoPlayer1) LumoPlayer1->Pump();
        });
    });
    ConnectDocumentHandlers();
    ConnectAudioHandlers();
    ConnectDetailsHandlers();
}

// ---- the window interface --------------------------------------------------------------------

QMdiSubWindow* frmLumoEdit::SubWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

void frmLumoEdit::Show() {
    if (!SubWindow() && main_.MdiArea()) {
        QMdiSubWindow* sub = main_.MdiArea()->addSubWindow(this);
        sub->setObjectName(QStringLiteral("frmLumoEditFrame"));
        sub->setWindowIcon(imgListToolbar->Picture("disk"));
    }
    Form::Show();
    Form_Resize();
}

void frmLumoEdit::SetWindowState(int state) {
    QWidget* w = SubWindow() ? static_cast<QWidget*>(SubWindow()) : static_cast<QWidget*>(this);
    w->setWindowState(state == Minimized   ? Qt::WindowMinimized
                      : state == Maximized ? Qt::WindowMaximized
                                           : Qt::WindowNoState);
}

int frmLumoEdit::EditorWindowState() const {
    const QWidget* w = SubWindow() ? static_cast<const QWidget*>(SubWindow()) : static_cast<const QWidget*>(this);
    if (w->windowState() & Qt::WindowMinimized) return Minimized;
    if (w->windowState() & Qt::WindowMaximized) return Maximized;
    return Normal;
}

double frmLumoEdit::MinWidthLimit() const { return HWndGrab1->MinWidth(); }
double frmLumoEdit::MinHeightLimit() const { return HWndGrab1->MinHeight(); }
// The outer size is the inner one and the frame of the sub window around it, so the two
// differ by that frame even before the window is laid out (the main window builds its own
// minimum from the difference as it loads).
double frmLumoEdit::OuterWidth() const { return InnerWidth() + PixelsToTwipsX(SubWindowFrame(SubWindow(), this).width()); }
double frmLumoEdit::InnerWidth() const { return ScaleWidth(); }
double frmLumoEdit::OuterHeight() const {
    return InnerHeight() + PixelsToTwipsY(SubWindowFrame(SubWindow(), this).height());
}
double frmLumoEdit::InnerHeight() const { return ScaleHeight(); }

bool frmLumoEdit::DocumentHasAudio() { return ctlEditor->HasDocument() && ctlEditor->Length() > 0; }
bool frmLumoEdit::CanUndo() { return ctlEditor->CanUndo(); }
bool frmLumoEdit::CanRedo() { return ctlEditor->CanRedo(); }
bool frmLumoEdit::AudioButtonEnabled(const std::string& ButtonKey) { return toolAudioEditor->ButtonEnabled(ButtonKey); }
bool frmLumoEdit::PasteMixEnabled() {
    QAction* a = toolAudioEditor->ButtonMenu("paste", "pastemix");
    return a && a->isEnabled();
}

int frmLumoEdit::StatusPanel(const std::string& key) const {
    for (int i = 1; i <= StatusBar1->PanelCount(); ++i)
        if (StatusBar1->PanelKey(i) == key) return i;
    return 0;
}

std::string frmLumoEdit::StatusPanelText(const std::string& key) const { return StatusBar1->PanelText(StatusPanel(key)); }

void frmLumoEdit::SetStatusPanelText(const std::string& key, const std::string& text) {
    StatusBar1->SetPanelText(StatusPanel(key), text);
}

void InstallEditorWindow() {
    SetEditorWindowFactory([](frmMain& main) -> std::unique_ptr<iEditorWindow> {
        return std::make_unique<frmLumoEdit>(main);
    });
}

} // namespace lumoedit
