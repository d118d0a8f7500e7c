// The system clipboard: audio travels as a WAV file's bytes.
#include "platform/audio/EditorClipboard.h"

#include "platform/base/Error.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <atomic>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace platform::audio {

namespace {

const char* const kWavTypes[] = {"audio/wav", "audio/x-wav", "audio/vnd.wave"};

// A work file of this process in the component's temporary folder, named so that a later
// start removes it should this process die before it does.
std::string WorkWav(const AudioEditor& editor) {
    static std::atomic<unsigned> serial{0};
    return (std::filesystem::path(editor.TemporaryFolder()) /
            ("lumoaudio-" + std::to_string(::getpid()) + "-system-clip" + std::to_string(serial++) + ".wav"))
        .string();
}

struct RemovedAfter {
    std::string path;
    ~RemovedAfter() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

} // namespace

void CopyToClipboard(AudioEditor& editor) {
    if (!editor.HasDocument()) Raise(err::InvalidCall, "No audio document is open");
    if (!QGuiApplication::instance()) Raise(err::InvalidCall, "There is no system clipboard");
    RemovedAfter file{WorkWav(editor)};
    if (!editor.WriteSelection(file.path)) return;
    QFile f(QString::fromStdString(file.path));
    if (!f.open(QIODevice::ReadOnly))
        Raise(err::PathFileAccess, "The selection cannot be read back from the temporary folder");
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
    // What came from outside goes in as a file would; the component's own clipboard keeps
    // what the user put there. The document holds the file open, so it goes at once.
    RemovedAfter file{WorkWav(editor)};
    std::error_code ec;
    std::filesystem::create_directories(editor.TemporaryFolder(), ec);
    QFile f(QString::fromStdString(file.path));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Raise(err::PathFileAccess, "The clipboard audio cannot be written to the temporary folder");
    f.close();
    editor.InsertFile(file.path);
}

} // namespace platform::audio
