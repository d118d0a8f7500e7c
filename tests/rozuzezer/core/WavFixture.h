// Small WAV files made by the tests: chunks in any order, any sizes, pads or not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wavfixture {

inline void Le16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Le32(std::string& s, std::uint32_t v) {
    Le16(s, v & 0xFFFF);
    Le16(s, v >> 16);
}
inline std::uint32_t Get32(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24);
}

// A chunk: id, payload; the declared size defaults to the payload's, the pad byte follows
// an odd payload unless pad is false.
struct Chunk {
    std::string id;
    std::string payload;
    bool pad = true;
    std::int64_t declared = -1;
};

// fmt payload of 16 bytes (PCM), 18 (with cbSize) or 40 (EXTENSIBLE).
inline std::string Fmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, int size = 16,
                       std::uint16_t tag = 1) {
    std::string s;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    Le16(s, size == 40 ? 0xFFFE : tag);
    Le16(s, channels);
    Le32(s, rate);
    Le32(s, rate * align);
    Le16(s, align);
    Le16(s, bits);
    if (size >= 18) Le16(s, size == 40 ? 22 : 0);
    if (size == 40) {
        Le16(s, bits);
        Le32(s, 3);
        // KSDATAFORMAT_SUBTYPE_PCM
        const unsigned char guid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        s.append(reinterpret_cast<const char*>(guid), 16);
    }
    return s;
}

inline std::string Audio(std::size_t n, std::uint32_t seed = 7) {
    std::string s(n, '\0');
    std::uint32_t x = seed;
    for (auto& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// The whole file; riffSize < 0 means the true size.
inline std::string Build(const std::vector<Chunk>& chunks, std::int64_t riffSize = -1, const std::string& form = "WAVE") {
    std::string body = form;
    for (const auto& c : chunks) {
        body += c.id.substr(0, 4);
        Le32(body, static_cast<std::uint32_t>(c.declared >= 0 ? c.declared : static_cast<std::int64_t>(c.payload.size())));
        body += c.payload;
        if ((c.payload.size() & 1) && c.pad) body.push_back('\0');
    }
    std::string out = "RIFF";
    Le32(out, static_cast<std::uint32_t>(riffSize >= 0 ? riffSize : static_cast<std::int64_t>(body.size())));
    return out + body;
}

// The file with `rest` behind its last chunk, which the RIFF size counts or not.
inline std::string WithRest(const std::vector<Chunk>& chunks, const std::string& rest, bool counted) {
    const std::size_t body = Build(chunks).size() - 8 + (counted ? rest.size() : 0);
    return Build(chunks, static_cast<std::int64_t>(body)) + rest;
}

// A plain 16-bit stereo 44.1 kHz file with `frames` frames.
inline std::string Simple(std::size_t frames = 4410) {
    return Build({{"fmt ", Fmt(2, 44100, 16)}, {"data", Audio(frames * 4)}});
}

struct Found {
    std::string id;
    std::size_t offset; // header offset
    std::uint32_t size;
};

// The top-level chunks of a file, walked by the declared sizes (pads honoured).
inline std::vector<Found> Chunks(const std::string& file) {
    std::vector<Found> out;
    std::size_t p = 12;
    while (p + 8 <= file.size()) {
        const std::uint32_t size = Get32(file, p + 4);
        out.push_back({file.substr(p, 4), p, size});
        p += 8 + static_cast<std::size_t>(size) + (size & 1);
    }
    return out;
}

inline std::size_t Count(const std::string& file, const std::string& id) {
    std::size_t n = 0;
    for (const auto& c : Chunks(file)) n += c.id == id;
    return n;
}

inline std::string Payload(const std::string& file, const std::string& id) {
    for (const auto& c : Chunks(file))
        if (c.id == id) return file.substr(c.offset + 8, c.size);
    return {};
}

} // namespace wavfixture
