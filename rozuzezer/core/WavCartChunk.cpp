// The cart chunk (AES46): layout, reader and writer.
#include "rozuzezer/core/WavBytes.h"
#include "rozuzezer/core/WavRiff.h"

#include "platform/base/MessageBox.h"

#include <algorithm>
#include <cstring>

namespace rozuzezer {

namespace {

template <typename IO, typename Rec>
void CartLayout(IO& io, Rec& r) {
    io.Text(r.Version);
    io.Text(r.Title);
    io.Text(r.Artist);
    io.Text(r.CutID);
    io.Text(r.ClientID);
    io.Text(r.Category);
    io.Text(r.Classification);
    io.Text(r.OutCue);
    io.Text(r.StartDate);
    io.Text(r.StartTime);
    io.Text(r.EndDate);
    io.Text(r.EndTime);
    io.Text(r.ProducerAppID);
    io.Text(r.ProducerAppVersion);
    io.Text(r.UserDef);
    io.U32(r.LevelReference);
    for (auto& t : r.PostTimer) {
        io.Text(t.Usage);
        io.U32(t.Value);
    }
    io.Text(r.Reserved);
    io.Text(r.URL);
}

} // namespace

void EncodeCart(const CartChunkRecord& r, unsigned char out[CartChunkRecord::kSize]) {
    wav::ByteWriter w(out);
    CartLayout(w, r);
}

void DecodeCart(const unsigned char in[CartChunkRecord::kSize], CartChunkRecord& r) {
    wav::ByteReader rd(in);
    CartLayout(rd, r);
}

namespace wav {

void ClearCart(CartChunkRecord& r) {
    r = CartChunkRecord{};
    SetField(r.Version, "");
    SetField(r.Title, "");
    SetField(r.Artist, "");
    SetField(r.CutID, "");
    SetField(r.ClientID, "");
    SetField(r.Category, "");
    SetField(r.Classification, "");
    SetField(r.OutCue, "");
    SetField(r.StartDate, "");
    SetField(r.StartTime, "");
    SetField(r.EndDate, "");
    SetField(r.EndTime, "");
    SetField(r.ProducerAppID, "");
    SetField(r.ProducerAppVersion, "");
    SetField(r.UserDef, "");
    for (auto& t : r.PostTimer) {
        SetField(t.Usage, "");
        t.Value = 0xFFFFFFFFu;
    }
    SetField(r.Reserved, "");
    SetField(r.URL, "");
}

bool ReadCart(Reader& r, CartChunkRecord& record, std::string& tagText, std::size_t tagLimit) {
    ClearCart(record);
    unsigned char image[CartChunkRecord::kSize];
    EncodeCart(record, image);
    if (!ReadFixedAndTail(r, kCart, image, sizeof image, tagText, tagLimit)) return false;
    DecodeCart(image, record);
    Recut(record.Title);
    Recut(record.Artist);
    Recut(record.CutID);
    Recut(record.ClientID);
    Recut(record.Category);
    Recut(record.Classification);
    Recut(record.OutCue);
    Recut(record.StartDate);
    Recut(record.StartTime);
    Recut(record.EndDate);
    Recut(record.EndTime);
    Recut(record.ProducerAppID);
    Recut(record.ProducerAppVersion);
    Recut(record.UserDef);
    Recut(record.Reserved);
    Recut(record.URL);
    return true;
}

} // namespace wav

bool ReadCartChunk(const std::string& path, CartChunkRecord& record, std::string& tagText) {
    wav::Reader r(path);
    return wav::ReadCart(r, record, tagText);
}

void wav::ShowCartOpenRefused() {
    platform::MsgBox("The WAV audio file is not read only, but Windows would not let the CartChunk "
                     "information be updated",
                     platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
}

bool WriteCartChunk(const std::string& path, const CartChunkRecord& record, const std::string& tagText) {
    unsigned char image[CartChunkRecord::kSize];
    EncodeCart(record, image);
    const auto st = wav::WriteChunk(path, wav::kCart,
                                    std::string_view(reinterpret_cast<const char*>(image), sizeof image),
                                    tagText, true);
    if (st == wav::WriteStatus::OpenFailed) wav::ShowCartOpenRefused();
    return st == wav::WriteStatus::Written;
}

} // namespace rozuzezer
