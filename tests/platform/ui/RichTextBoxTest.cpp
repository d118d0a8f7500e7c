#include "platform/base/Error.h"
#include "platform/ui/QtCommonDialogs.h"
#include "platform/ui/RichTextBox.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>

#include <filesystem>

using namespace platform::ui;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const char* kNotes =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
    "{\\colortbl ;\\red0\\green0\\blue255;}"
    "\\pard\\qc\\b\\fs32 Update Information\\b0\\par"
    "\\pard\\f1\\fs20\\cf1 caf\\'e9 \\u8364?\\cf0  {\\i it}\\par}";

int ExpectCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const platform::RuntimeError& e) {
        return e.Number();
    }
    return 0;
}

TEST(RichTextBox, LoadsRtfIntoTheDocument) {
    TempDir dir;
    WriteFile(dir / "UPDATES.RTF", kNotes);
    QWidget w;
    RichTextBox rtfFile(&w, "rtfFile");
    rtfFile.LoadFile(dir / "UPDATES.RTF");
    EXPECT_EQ(rtfFile.Text(), "Update Information\ncaf\xC3\xA9 \xE2\x82\xAC it");
    QTextBlock first = rtfFile.document()->begin();
    EXPECT_EQ(first.blockFormat().alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QTextCharFormat f = first.begin().fragment().charFormat();
    EXPECT_EQ(f.fontWeight(), QFont::Bold);
    EXPECT_EQ(f.fontPointSize(), 16);
    QTextBlock second = first.next();
    QTextCharFormat g = second.begin().fragment().charFormat();
    EXPECT_EQ(g.fontFamilies().toStringList().value(0), "Courier New");
    EXPECT_EQ(g.foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(g.fontPointSize(), 10);
}

TEST(RichTextBox, BadFilesGiveErrorsTheViewerCanCatch) {
    TempDir dir;
    WriteFile(dir / "plain.rtf", "just text\ncaf\xE9");
    WriteFile(dir / "empty.rtf", "");
    WriteFile(dir / "cut.rtf", "{\\rtf1\\ansi Hello\\par Wor");
    QWidget w;
    RichTextBox box(&w, "rtfFile");
    EXPECT_EQ(ExpectCode([&] { box.LoadFile(dir / "plain.rtf"); }), 321);
    box.LoadFile(dir / "plain.rtf", RichTextBox::rtfText);
    EXPECT_EQ(box.Text(), "just text\ncaf\xC3\xA9") << "not UTF-8: read as Windows-1252";
    EXPECT_EQ(ExpectCode([&] { box.LoadFile(dir / "missing.rtf"); }), 53);
    EXPECT_EQ(ExpectCode([&] { box.LoadFile(dir / "empty.rtf"); }), 321);
    box.LoadFile(dir / "cut.rtf");
    EXPECT_EQ(box.Text(), "Hello\nWor");
    box.SetTextRTF("no rtf here");
    EXPECT_EQ(box.Text(), "no rtf here");
}

TEST(RichTextBox, SavesRtfAndTextThatReadBack) {
    TempDir dir;
    QWidget w;
    RichTextBox box(&w, "rtfFile");
    box.SetTextRTF(kNotes);
    box.SaveFile(dir / "copy.rtf", RichTextBox::rtfRTF);
    box.SaveFile(dir / "copy.txt", RichTextBox::rtfText);
    EXPECT_EQ(ReadFile(dir / "copy.txt"), "Update Information\ncaf\xC3\xA9 \xE2\x82\xAC it");
    RichTextBox again(&w, "again");
    again.LoadFile(dir / "copy.rtf");
    EXPECT_EQ(again.Text(), box.Text());
    EXPECT_EQ(QtToRtf(*again.document()), QtToRtf(*box.document()));
    EXPECT_FALSE(std::filesystem::exists(dir / "copy.rtf.tmp~"));
    EXPECT_EQ(ExpectCode([&] { box.SaveFile(dir / "no/such/folder/x.rtf"); }), 75);
}

TEST(RichTextBox, SelectionAndPrinting) {
    TempDir dir;
    QWidget w;
    RichTextBox box(&w, "rtfFile");
    box.SetText("first line\nsecond line");
    box.SetSelStart(6);
    box.SetSelLength(4);
    EXPECT_EQ(box.SelText(), "line");
    EXPECT_EQ(box.SelStart(), 6);
    EXPECT_EQ(box.SelLength(), 4);

    PrintAnswer a;
    a.ok = true;
    a.outputFile = dir / "out.pdf";
    auto printer = MakePrinter(a);
    box.SelPrint(*printer);
    EXPECT_GT(std::filesystem::file_size(dir / "out.pdf"), 100u);
}

} // namespace
