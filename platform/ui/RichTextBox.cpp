#include "platform/ui/RichTextBox.h"

#include "platform/base/Codepage.h"
#include "platform/base/Error.h"

#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace platform::ui {
namespace {

constexpr QChar kLineSeparator(0x2028);

QTextCharFormat FormatOf(const rtf::Run& r) {
    QTextCharFormat f;
    if (!r.font.empty()) f.setFontFamilies(QStringList{Q(r.font)});
    f.setFontPointSize(r.halfPoints / 2.0);
    f.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(r.italic);
    f.setFontUnderline(r.underline);
    if (r.colour) f.setForeground(QColor(static_cast<QRgb>(*r.colour)));
    return f;
}

Qt::Alignment AlignOf(rtf::Align a) {
    switch (a) {
    case rtf::Align::Centre: return Qt::AlignHCenter;
    case rtf::Align::Right: return Qt::AlignRight;
    case rtf::Align::Justify: return Qt::AlignJustify;
    default: return Qt::AlignLeft;
    }
}

std::string ReadAll(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) Raise(err::FileNotFound);
    std::ifstream in(path, std::ios::binary);
    if (!in) Raise(err::PathFileAccess);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) Raise(err::PathFileAccess);
    return bytes;
}

std::string DecodeText(const std::string& bytes) {
    std::string_view b = bytes;
    if (b.substr(0, 3) == "\xEF\xBB\xBF") b.remove_prefix(3);
    return IsValidUtf8(b) ? std::string(b) : AnsiToUtf8(b);
}

} // namespace

void RtfToQt(const rtf::Document& d, QTextDocument& out) {
    out.clear();
    QTextCursor c(&out);
    bool first = true;
    for (const auto& p : d.paragraphs) {
        QTextBlockFormat bf;
        bf.setAlignment(AlignOf(p.align));
        if (first) c.setBlockFormat(bf);
        else c.insertBlock(bf);
        first = false;
        for (const auto& r : p.runs) {
            QString t = Q(r.text);
            t.replace(QLatin1Char('\n'), kLineSeparator);
            c.insertText(t, FormatOf(r));
        }
    }
}

rtf::Document QtToRtf(const QTextDocument& doc) {
    rtf::Document d;
    const QFont base = doc.defaultFont();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        rtf::Paragraph p;
        Qt::Alignment a = b.blockFormat().alignment();
        p.align = (a & Qt::AlignHCenter)   ? rtf::Align::Centre
                  : (a & Qt::AlignRight)   ? rtf::Align::Right
                  : (a & Qt::AlignJustify) ? rtf::Align::Justify
                                           : rtf::Align::Left;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            if (!f.isValid()) continue;
            QString t = f.text();
            t.replace(kLineSeparator, QLatin1Char('\n'));
            t.remove(QChar(0xFFFC)); // embedded objects
            if (t.isEmpty()) continue;
            QTextCharFormat cf = f.charFormat();
            rtf::Run r;
            r.text = S(t);
            QStringList families = cf.fontFamilies().toStringList();
            r.font = S(families.isEmpty() ? base.family() : families.front());
            double pt = cf.fontPointSize() > 0 ? cf.fontPointSize() : base.pointSizeF();
            r.halfPoints = pt > 0 ? static_cast<int>(pt * 2 + 0.5) : 24;
            r.bold = cf.fontWeight() >= QFont::Bold;
            r.italic = cf.fontItalic();
            r.underline = cf.fontUnderline();
            if (cf.hasProperty(QTextFormat::ForegroundBrush) && cf.foreground().style() != Qt::NoBrush)
                r.colour = cf.foreground().color().rgb() & 0xFFFFFFu;
            if (!p.runs.empty()) {
                rtf::Run& last = p.runs.back();
                rtf::Run probe = r;
                probe.text = last.text;
                if (probe == last) {
                    last.text += r.text;
                    continue;
                }
            }
            p.runs.push_back(std::move(r));
        }
        d.paragraphs.push_back(std::move(p));
    }
    if (d.paragraphs.empty()) d.paragraphs.emplace_back();
    return d;
}

RichTextBox::RichTextBox(QWidget* parent, const std::string& name) : QTextEdit(parent) {
    SetName(this, name);
    setAcceptRichText(false); // pasted HTML would bring formats RTF cannot say
    connect(this, &QTextEdit::textChanged, this, &RichTextBox::Change);
}

void RichTextBox::SetText(const std::string& t) {
    if (Q(t) != toPlainText()) setPlainText(Q(t));
}

std::string RichTextBox::TextRTF() const { return rtf::Write(QtToRtf(*document())); }

void RichTextBox::SetTextRTF(const std::string& bytes) {
    auto d = rtf::Read(bytes);
    if (!d) {
        setPlainText(Q(DecodeText(bytes)));
        return;
    }
    RtfToQt(*d, *document());
}

void RichTextBox::LoadFile(const std::string& path, int type) {
    std::string bytes = ReadAll(path);
    if (type == rtfText) {
        setPlainText(Q(DecodeText(bytes)));
        return;
    }
    auto d = rtf::Read(bytes);
    if (!d) Raise(321, "Invalid file format");
    RtfToQt(*d, *document());
}

void RichTextBox::SaveFile(const std::string& path, int type) const {
    std::string bytes = type == rtfText ? Text() : TextRTF();
    std::filesystem::path target(path);
    std::filesystem::path temp = target;
    temp += ".tmp~";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) Raise(err::PathFileAccess);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            Raise(err::PathFileAccess);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        Raise(err::PathFileAccess);
    }
}

void RichTextBox::SetSelStart(int pos) {
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(pos, 0, static_cast<int>(document()->characterCount()) - 1));
    setTextCursor(c);
}

void RichTextBox::SetSelLength(int len) {
    QTextCursor c = textCursor();
    int start = c.selectionStart();
    int end = std::clamp(start + len, start, static_cast<int>(document()->characterCount()) - 1);
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

std::string RichTextBox::SelText() const {
    QString t = textCursor().selectedText();
    t.replace(QChar(0x2029), QLatin1Char('\n'));
    t.replace(kLineSeparator, QLatin1Char('\n'));
    return S(t);
}

void RichTextBox::SelPrint(QPrinter& printer) const {
    if (textCursor().hasSelection()) {
        QTextDocument part;
        QTextCursor c(&part);
        c.insertFragment(textCursor().selection());
        part.print(&printer);
        return;
    }
    document()->print(&printer);
}

} // namespace platform::ui
