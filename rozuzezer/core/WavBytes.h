// Little-endian byte images of fixed records: one cursor that writes or reads fields in
// order, so each chunk file lists its layout once.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace rozuzezer::wav {

class ByteWriter {
public:
    explicit ByteWriter(unsigned char* out) : p_(out) {}
    template <std::size_t N>
    void Text(const std::array<char, N>& f) { std::memcpy(p_, f.data(), N); p_ += N; }
    template <std::size_t N>
    void Bytes(const std::array<std::uint8_t, N>& f) { std::memcpy(p_, f.data(), N); p_ += N; }
    void U16(std::uint16_t v) { *p_++ = static_cast<unsigned char>(v); *p_++ = static_cast<unsigned char>(v >> 8); }
    void U32(std::uint32_t v) { U16(static_cast<std::uint16_t>(v)); U16(static_cast<std::uint16_t>(v >> 16)); }
    std::size_t Offset(const unsigned char* start) const { return static_cast<std::size_t>(p_ - start); }

private:
    unsigned char* p_;
};

class ByteReader {
public:
    explicit ByteReader(const unsigned char* in) : p_(in) {}
    template <std::size_t N>
    void Text(std::array<char, N>& f) { std::memcpy(f.data(), p_, N); p_ += N; }
    template <std::size_t N>
    void Bytes(std::array<std::uint8_t, N>& f) { std::memcpy(f.data(), p_, N); p_ += N; }
    void U16(std::uint16_t& v) { v = static_cast<std::uint16_t>(p_[0] | (p_[1] << 8)); p_ += 2; }
    void U32(std::uint32_t& v) {
        v = static_cast<std::uint32_t>(p_[0]) | (static_cast<std::uint32_t>(p_[1]) << 8) |
            (static_cast<std::uint32_t>(p_[2]) << 16) | (static_cast<std::uint32_t>(p_[3]) << 24);
        p_ += 4;
    }

private:
    const unsigned char* p_;
};

} // namespace rozuzezer::wav
