#include "platform/base/Error.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/QtCommonDialogs.h"
#include "platform/ui/QtMessageBoxes.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

using namespace platform::ui;
using platform::MessageRequest;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

TEST(CommonDialog, OpenPassesTheRequestAndTakesTheAnswer) {
    ScopedScriptedCommonDialogs dialogs;
    dialogs->AnswerFile("/audio/jingle.mp3", 2);
    CommonDialog cd;
    cd.DialogTitle = "Open Audio File";
    cd.InitDir = "/audio";
    cd.Filter = "Windows WAV (*.wav)|*.wav|MPEG 3 (*.mp3)|*.mp3";
    cd.FilterIndex = 1;
    cd.Flags = cdl::HideReadOnly | cdl::FileMustExist;
    cd.CancelError = true;
    cd.ShowOpen();
    EXPECT_EQ(cd.FileName, "/audio/jingle.mp3");
    EXPECT_EQ(cd.FileTitle(), "jingle.mp3");
    EXPECT_EQ(cd.FilterIndex, 2);
    ASSERT_EQ(dialogs->fileRequests.size(), 1u);
    const FileRequest& r = dialogs->fileRequests[0];
    EXPECT_FALSE(r.save);
    EXPECT_EQ(r.title, "Open Audio File");
    EXPECT_EQ(r.initDir, "/audio");
    EXPECT_EQ(r.flags, 0x1004);
    EXPECT_EQ(r.filterIndex, 1);
}

TEST(CommonDialog, CancelRaises32755OnlyWhenAsked) {
    ScopedScriptedCommonDialogs dialogs;
    CommonDialog cd;
    cd.FileName = "proposed.rtf";
    cd.CancelError = true;
    try {
        cd.ShowSave();
        ADD_FAILURE() << "no error raised";
    } catch (const platform::RuntimeError& e) {
        EXPECT_EQ(e.Number(), 32755);
    }
    cd.CancelError = false;
    cd.FileName = "proposed.rtf";
    EXPECT_NO_THROW(cd.ShowSave());
    EXPECT_EQ(cd.FileName, "") << "a cancelled dialog answers with no file";
    for (auto show : {&CommonDialog::ShowColor, &CommonDialog::ShowPrinter}) {
        cd.CancelError = true;
        EXPECT_THROW((cd.*show)(), platform::RuntimeError);
        cd.CancelError = false;
        EXPECT_NO_THROW((cd.*show)());
    }
    EXPECT_EQ(cd.BrowseForFolder("Directory", "/tmp"), "");
}

TEST(CommonDialog, DefaultExtensionMultipleFilesColourAndPrint) {
    ScopedScriptedCommonDialogs dialogs;
    CommonDialog cd;
    cd.DefaultExt = "wav";
    dialogs->AnswerFile("/out/take1");
    dialogs->AnswerFile("/out/take2.mp2");
    cd.ShowSave();
    EXPECT_EQ(cd.FileName, "/out/take1.wav");
    cd.ShowSave();
    EXPECT_EQ(cd.FileName, "/out/take2.mp2");

    cd.Flags = cdl::AllowMultiselect;
    dialogs->AnswerFile(std::vector<std::string>{"/a/1.wav", "/a/2.wav"});
    cd.ShowOpen();
    EXPECT_EQ(cd.FileName, "/a/1.wav");
    EXPECT_EQ(cd.FileNames().size(), 2u);

    cd.Color = 0x00FF00;
    cd.Flags = cdl::RGBInit;
    dialogs->AnswerColour(0x123456);
    cd.ShowColor();
    EXPECT_EQ(cd.Color, 0x123456u);
    EXPECT_EQ(dialogs->colourRequests.at(0).colour, 0x00FF00u);

    cd.Flags = 0xC0108 | cdl::PDSelection;
    PrintAnswer pa;
    pa.flags = 0; // the user chose all pages
    pa.outputFile = "/tmp/x.pdf";
    dialogs->AnswerPrint(pa);
    cd.ShowPrinter();
    EXPECT_EQ(cd.Flags & cdl::PDSelection, 0);
    EXPECT_EQ(cd.PrintFileName, "/tmp/x.pdf");
    EXPECT_EQ(dialogs->printRequests.at(0).flags, 0xC0109);

    dialogs->AnswerFolder("/scratch");
    EXPECT_EQ(cd.BrowseForFolder("Directory to store Temporary files in:", "/tmp"), "/scratch");
    EXPECT_EQ(dialogs->folderRequests.at(0).title, "Directory to store Temporary files in:");

    EXPECT_FALSE(PrinterInstalled());
    dialogs->SetHasPrinter(true);
    EXPECT_TRUE(PrinterInstalled());
}

TEST(CommonDialog, QtFilterList) {
    QStringList f = QtNameFilters("Rich Text Files (*.rtf)|*.rtf|Audio|*.wav;*.mp3|All Files|*.*");
    ASSERT_EQ(f.size(), 3);
    EXPECT_EQ(f[0], "Rich Text Files (*.rtf) (*.rtf)");
    EXPECT_EQ(f[1], "Audio (*.wav *.mp3)");
    EXPECT_EQ(f[2], "All Files (*.*)");
    EXPECT_TRUE(QtNameFilters("").isEmpty());
    EXPECT_EQ(QtNameFilters("odd|*.x|dangling").size(), 1);
}

// The dialog as it shows: runs `look` once the list has read the folder, then cancels.
void WhileTheOpenDialogShows(const FileRequest& r, const std::function<void(QFileDialog&, QTreeView&)>& look) {
    bool looked = false;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* tree = d ? d->findChild<QTreeView*>(QStringLiteral("treeView")) : nullptr;
        const bool listed = tree && tree->model() && tree->model()->rowCount(tree->rootIndex()) > 0;
        if (!listed && clock.elapsed() < 5000) return;
        poll.stop();
        if (!d) return;
        if (tree && listed) {
            d->grab(); // laid out as it shows
            look(*d, *tree);
            looked = true;
        }
        d->reject();
    });
    poll.start(20);
    QtCommonDialogs dialogs;
    EXPECT_FALSE(dialogs.ShowFile(r).ok);
    EXPECT_TRUE(looked) << "the dialog never listed the folder";
}

TEST(QtCommonDialogs, TheOpenDialogShowsTheFilesSizeTypeAndDateUncut) {
    // Qt's dialog keeps its column widths among the user's settings: here, in a scratch place.
    testsupport::TempDir dir("dialog");
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", (dir.path() / "config").string());
    testsupport::WriteFile(dir.path() / "Breakfast show opener, long version for weekends.wav", std::string(5000, 'x'));
    FileRequest r;
    r.title = "Open Audio File";
    r.initDir = dir.path().string();
    r.filter = "Windows WAV (*.wav)|*.wav";
    // A user narrows the columns once; the next dialog starts from what was kept.
    WhileTheOpenDialogShows(r, [](QFileDialog&, QTreeView& tree) {
        for (int c = 1; c < 4; ++c) {
            tree.header()->setSectionResizeMode(c, QHeaderView::Interactive);
            tree.header()->resizeSection(c, 12);
        }
    });
    WhileTheOpenDialogShows(r, [](QFileDialog&, QTreeView& tree) {
        EXPECT_TRUE(tree.isVisible()) << "the detail view is the one shown";
        QHeaderView* header = tree.header();
        ASSERT_GE(header->count(), 4);
        const QAbstractItemView& list = tree; // its own width need of a column
        for (int c = 1; c < 4; ++c) {
            EXPECT_GE(header->sectionSize(c), list.sizeHintForColumn(c)) << "column " << c << " is cut";
            EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << "the caption of column " << c << " is cut";
        }
        EXPECT_GE(header->sectionSize(0), tree.viewport()->width() / 3) << "the name keeps room";
        EXPECT_LE(header->length(), tree.viewport()->width() + 1) << "nothing is off to the right";
    });
}

// The list of file types reads as the descriptions were given, each once, and the answer
// still says which pair was chosen.
TEST(QtCommonDialogs, TheFileTypesReadAsTheirDescriptions) {
    testsupport::TempDir dir("dialog");
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", (dir.path() / "config").string());
    const std::string file = (dir.path() / "Jingle.WAV").string();
    testsupport::WriteFile(file, std::string(100, 'x'));
    FileRequest r;
    r.initDir = dir.path().string();
    r.filter = "All Audio Files|*.mp2;*.WAV|MPEG 2 (*.mp2)|*.mp2|Windows Linear WAV (*.WAV)|*.WAV|All Files (*.*)|*.*";
    r.filterIndex = 2;
    r.flags = cdl::FileMustExist;
    std::vector<std::string> shown;
    int first = -1;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* types = d ? d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
        auto* name = d ? d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!types || !name) return;
        if (clock.elapsed() > 5000) {
            poll.stop();
            d->reject(); // the Open button did not end the dialog
            return;
        }
        if (first < 0) {
            for (int i = 0; i < types->count(); ++i) shown.push_back(types->itemText(i).toStdString());
            first = types->currentIndex();
            types->setCurrentIndex(2);
            name->setText(QStringLiteral("Jingle.WAV"));
            static_cast<QDialog*>(d)->accept(); // as the Open button does
        }
    });
    poll.start(20);
    QtCommonDialogs dialogs;
    const FileAnswer a = dialogs.ShowFile(r);
    EXPECT_EQ(shown, (std::vector<std::string>{"All Audio Files", "MPEG 2 (*.mp2)", "Windows Linear WAV (*.WAV)",
                                               "All Files (*.*)"}));
    EXPECT_EQ(first, 1);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.files, std::vector<std::string>{file});
    EXPECT_EQ(a.filterIndex, 3);
}

TEST(QtMessageBoxes, BoxShowsTheRequest) {
    struct Case {
        MsgButtons buttons;
        MsgIcon icon;
        int defaultButton;
        QMessageBox::StandardButton expectDefault;
        QMessageBox::Icon expectIcon;
        int buttonCount;
    } cases[] = {
        {MsgButtons::OK, MsgIcon::Exclamation, 1, QMessageBox::Ok, QMessageBox::Warning, 1},
        {MsgButtons::YesNo, MsgIcon::Question, 2, QMessageBox::No, QMessageBox::Question, 2},
        {MsgButtons::YesNoCancel, MsgIcon::Exclamation, 3, QMessageBox::Cancel, QMessageBox::Warning, 3},
        {MsgButtons::YesNo, MsgIcon::Information, 1, QMessageBox::Yes, QMessageBox::Information, 2},
        {MsgButtons::OK, MsgIcon::None, 5, QMessageBox::Ok, QMessageBox::NoIcon, 1},
    };
    platform::SetApplicationTitle("LumoEdit");
    for (const auto& c : cases) {
        MessageRequest r{"Do you want to save?", c.buttons, c.icon, c.defaultButton, ""};
        std::unique_ptr<QMessageBox> box(BuildMessageBox(r));
        EXPECT_EQ(box->windowTitle(), "LumoEdit");
        EXPECT_EQ(box->text(), "Do you want to save?");
        EXPECT_EQ(box->icon(), c.expectIcon);
        EXPECT_EQ(static_cast<int>(box->buttons().size()), c.buttonCount);
        EXPECT_EQ(box->standardButton(box->defaultButton()), c.expectDefault);
    }
    MessageRequest titled{"x", MsgButtons::OK, MsgIcon::None, 1, "Insert Silence"};
    std::unique_ptr<QMessageBox> box(BuildMessageBox(titled));
    EXPECT_EQ(box->windowTitle(), "Insert Silence");
}

} // namespace

#include "platform/ui/QtServices.h"

namespace {

TEST(QtServices, InstallsTheQtDialogs) {
    auto previousBoxes = platform::SetMessageBoxService(nullptr);
    auto previousDialogs = SetCommonDialogService(nullptr);
    InstallQtServices("LumoEdit");
    EXPECT_NE(dynamic_cast<QtMessageBoxes*>(&platform::MessageBoxes()), nullptr);
    EXPECT_NE(dynamic_cast<QtCommonDialogs*>(&CommonDialogs()), nullptr);
    EXPECT_EQ(platform::ApplicationTitle(), "LumoEdit");
    platform::SetMessageBoxService(previousBoxes);
    SetCommonDialogService(previousDialogs);
}

} // namespace
