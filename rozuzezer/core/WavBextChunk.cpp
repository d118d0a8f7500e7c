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

template <std::size_t N>
void Recut(TextField<N>& f) {
    if (void* nul = std::memchr(f.data(), '\0', N))
        std::memset(nul, ' ', N - static_cast<std::size_t>(static_cast<char*>(nul) - f.data()));
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
    codingHistory.clear();
    ClearBext(record);
    ChunkInfo ck;
    if (r.Status() != 0 || r.Find(kBext, ck) != 0 || ck.cksize == 0) return false;
    unsigned char image[BextChunkRecord::kSize];
    EncodeBext(record, image);
    const auto want = static_cast<std::int64_t>(std::min<std::uint64_t>(ck.cksize, BextChunkRecord::kSize));
    if (r.ReadChunk(ck, 0, image, want) < 0) return false;
    DecodeBext(image, record);
    if (ck.cksize > BextChunkRecord::kSize) {
        const std::uint64_t n = std::min<std::uint64_t>(ck.cksize - BextChunkRecord::kSize, kMaxVariableText);
        codingHistory.resize(static_cast<std::size_t>(n));
        const std::int64_t got =
            r.ReadChunk(ck, BextChunkRecord::kSize, codingHistory.data(), static_cast<std::int64_t>(n));
        codingHistory.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
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

bool WriteBextChunk(const std::string& path, const BextChunkRecord& record) {
    unsigned char image[BextChunkRecord::kSize];
    EncodeBext(record, image);
    // The coding history behind the fixed part of an existing chunk stays as it is.
    const auto st = wav::WriteChunk(path, wav::kBext,
                                    std::string_view(reinterpret_cast<const char*>(image), sizeof image),
                                    {}, false);
    if (st == wav::WriteStatus::OpenFailed) {
        platform::MsgBox("The WAV audio file is not read only, but Windows would not let the Broadcast "
                         "WAVE (BEXT) information be updated",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    }
    return st == wav::WriteStatus::Written;
}

} // namespace rozuzezer
