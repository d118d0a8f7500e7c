// The rich text box: a QTextEdit that loads and saves RTF through our own reader and writer
// (Rtf.h) and plain text (UTF-8, or Windows-1252 when the bytes are not UTF-8).
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Rtf.h"

#include <QTextEdit>

class QPrinter;
class QTextDocument;

namespace platform::ui {

// The document model into a QTextDocument (replacing its content) and back.
void RtfToQt(const rtf::Document& d, QTextDocument& out);
rtf::Document QtToRtf(const QTextDocument& doc);

class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    enum FileType { rtfRTF = 0, rtfText = 1 };

    RichTextBox(QWidget* parent, const std::string& name);

    std::string Text() const { return S(toPlainText()); }
    void SetText(const std::string& t);
    std::string TextRTF() const;
    // Input that is not RTF is shown as plain text.
    void SetTextRTF(const std::string& bytes);

    // rtfRTF refuses a file that is not RTF with error 321; missing or unreadable files
    // raise 53 and 75.
    void LoadFile(const std::string& path, int type = rtfRTF);
    // Written to a temporary file beside the target and renamed over it; failures raise 75.
    void SaveFile(const std::string& path, int type = rtfRTF) const;

    bool Locked() const { return isReadOnly(); }
    void SetLocked(bool on) { setReadOnly(on); }
    int SelStart() const { return textCursor().selectionStart(); }
    void SetSelStart(int pos);
    int SelLength() const { return textCursor().selectionEnd() - textCursor().selectionStart(); }
    void SetSelLength(int len);
    std::string SelText() const;

    // Prints the selection, or everything when nothing is selected.
    void SelPrint(QPrinter& printer) const;

signals:
    void Change();
};

} // namespace platform::ui
