// The bext chunk (EBU Broadcast Wave): layout, reader and writer.
#include "rozuzezer/core/WavBytes.h"
#include "rozuzezer/core/WavRiff.h"

#include "platform/base/MessageBox.h"

#include <algorithm>
#include <cstring>

namespace rozuzezer {

namespace {

template <typename IO, typename Rec>
void BextLayout(IO& io, Rec& r) {
    io.Text(r.Description);
    io.Text(r.Originator);
    io.Text(r.OriginatorReference);
    io.Text(r.OriginationDate);
    io.Text(r.OriginationTime);
    io.U32(r.TimeReferenceLow);
    io.U32(r.TimeReferenceHigh);
    io.U16(r.Version);
    io.Bytes(r.UMID);
    io.Text(r.Reserved);
}

} // namespace

void EncodeBext(const BextChunkRecord& r, unsigned char out[BextChunkRecord::kSize]) {
    wav::ByteWriter w(out);
    BextLayout(w, r);
}

void DecodeBext(const unsigned char in[BextChunkRecord::kSize], BextChunkRecord& r) {
    wav::ByteReader rd(in);
    BextLayout(rd, r);
}

namespace wav {

void ClearBext(BextChunkRecord& r) {
    r = BextChunkRecord{};
    SetField(r.Description, "");
    SetField(r.Originator, "");
    SetField(r.OriginatorReference, "");
    SetField(r.OriginationDate, "");
    SetField(r.OriginationTime, "");
    SetField(r.Reserved, "");
}

bool ReadBext(Reader& r, BextChunkRecord& record, std::string& codingHistory) {
    ClearBext(record);
    unsigned char image[BextChunkRecord::kSize];
    EncodeBext(record, image);
    if (!ReadFixedAndTail(r, kBext, image, sizeof image, codingHistory, kMaxVariableText)) return false;
    DecodeBext(image, record);
    Recut(record.Description);
    Recut(record.Originator);
    Recut(record.OriginatorReference);
    Recut(record.OriginationDate);
    Recut(record.OriginationTime);
    return true;
}

} // namespace wav

bool ReadBextChunk(const std::string& path, BextChunkRecord& record, std::string& codingHistory) {
    codingHistory.clear();
    wav::Reader r(path);
    return wav::ReadBext(r, record, codingHistory);
}

void wav::ShowBextOpenRefused() {
    platform::MsgBox("The WAV audio file is not read only, but Windows would not let the Broadcast "
                     "WAVE (BEXT) information be updated",
                     platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
}

bool WriteBextChunk(const std::string& path, const BextChunkRecord& record) {
    unsigned char image[BextChunkRecord::kSize];
    EncodeBext(record, image);
    // The coding history behind the fixed part of an existing chunk stays as it is.
    const auto st = wav::WriteChunk(path, wav::kBext,
                                    std::string_view(reinterpret_cast<const char*>(image), sizeof image),
                                    {}, false);
    if (st == wav::WriteStatus::OpenFailed) wav::ShowBextOpenRefused();
    return st == wav::WriteStatus::Written;
}

} // namespace rozuzezer
