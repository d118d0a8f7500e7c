// The system clipboard: audio travels as a WAV file's bytes.
#include "platform/audio/EditorImpl.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <unistd.h>

namespace platform::audio {

namespace {
const char* const kWavTypes[] = {"audio/wav", "audio/x-wav", "audio/vnd.wave"};
}

void AudioEditor::CopyToClipboard() {
    impl_->RequireDoc();
    if (!QGuiApplication::instance()) Raise(err::InvalidCall, "There is no system clipboard");
    Copy();
    QFile f(QString::fromStdString(ClipboardFileName()));
    if (!impl_->clipWritten || !f.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = f.readAll();
    auto* mime = new QMimeData;
    for (const char* t : kWavTypes) mime->setData(t, bytes);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void AudioEditor::PasteFromClipboard() {
    impl_->RequireEditable();
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
        InsertFile(mime->urls()[0].toLocalFile().toStdString());
        return;
    }
    if (bytes.isEmpty()) return;
    // What came from outside becomes the component's clipboard, then pastes as usual.
    impl_->clip.clear();
    impl_->clipWritten = false;
    const std::string path = impl_->clipPath;
    const std::string temp = path + ".in";
    QFile f(QString::fromStdString(temp));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Raise(err::PathFileAccess, "The clipboard audio cannot be written to the temporary folder");
    f.close();
    if (::rename(temp.c_str(), path.c_str()) != 0) Raise(err::PathFileAccess);
    impl_->clipWritten = true;
    Paste();
}

} // namespace platform::audio
