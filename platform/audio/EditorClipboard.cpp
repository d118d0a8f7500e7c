// The system clipboard: audio travels as a WAV file's bytes.
#include "platform/audio/EditorClipboard.h"

#include "platform/base/Error.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

namespace platform::audio {

namespace {
const char* const kWavTypes[] = {"audio/wav", "audio/x-wav", "audio/vnd.wave"};
}

void CopyToClipboard(AudioEditor& editor) {
    if (!editor.HasDocument()) Raise(err::InvalidCall, "No audio document is open");
    if (!QGuiApplication::instance()) Raise(err::InvalidCall, "There is no system clipboard");
    editor.Copy();
    const std::string path = editor.ClipboardFileName();
    QFile f(QString::fromStdString(path));
    if (!std::filesystem::exists(path) || !f.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = f.readAll();
    auto* mime = new QMimeData;
    for (const char* t : kWavTypes) mime->setData(t, bytes);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void PasteFromClipboard(AudioEditor& editor) {
    if (!editor.HasDocument()) Raise(err::InvalidCall, "No audio document is open");
    if (!QGuiApplication::instance()) Raise(err::InvalidCall, "There is no system clipboard");
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) return;
    QByteArray bytes;
    for (const char* t : kWavTypes)
        if (mime->hasFormat(t)) {
            bytes = mime->data(t);
            break;
        }
    if (bytes.isEmpty() && mime->hasUrls() && mime->urls().size() == 1 && mime->urls()[0].isLocalFile()) {
        // A file copied in a file manager: insert it as it is.
        editor.InsertFile(mime->urls()[0].toLocalFile().toStdString());
        return;
    }
    if (bytes.isEmpty()) return;
    // What came from outside becomes the component's clipboard, then pastes as usual.
    const std::string temp = editor.TemporaryFolder() + "/.lumoaudio-clipboard-in.wav";
    std::error_code ec;
    std::filesystem::create_directories(editor.TemporaryFolder(), ec);
    QFile f(QString::fromStdString(temp));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Raise(err::PathFileAccess, "The clipboard audio cannot be written to the temporary folder");
    f.close();
    editor.TakeClipboardFile(temp);
    editor.Paste();
}

} // namespace platform::audio
