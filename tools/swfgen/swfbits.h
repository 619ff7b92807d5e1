#pragma once

// The byte and bit level of the SWF writer, shared by its source files.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace swf::detail {

constexpr int kTwips = 20;

class BitWriter
{
public:
    void bits(std::uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_current = static_cast<std::uint8_t>((m_current << 1) | ((value >> i) & 1u));
            if (++m_used == 8)
                flushByte();
        }
    }
    void signedBits(std::int32_t value, int count) { bits(static_cast<std::uint32_t>(value), count); }
    void align()
    {
        if (m_used > 0)
            bits(0, 8 - m_used);
    }
    void u8(std::uint8_t v)
    {
        align();
        m_bytes.push_back(v);
    }
    void u16(std::uint16_t v)
    {
        u8(static_cast<std::uint8_t>(v & 0xff));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v & 0xffff));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void f32(float v)
    {
        std::uint32_t raw = 0;
        std::memcpy(&raw, &v, sizeof raw);
        u32(raw);
    }
    void string(const std::string &s)
    {
        for (char c : s)
            u8(static_cast<std::uint8_t>(c));
        u8(0);
    }
    void append(const std::vector<std::uint8_t> &data)
    {
        align();
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    }
    std::vector<std::uint8_t> take()
    {
        align();
        return std::move(m_bytes);
    }
    std::size_t size() const { return m_bytes.size(); }

private:
    void flushByte()
    {
        m_bytes.push_back(m_current);
        m_current = 0;
        m_used = 0;
    }
    std::vector<std::uint8_t> m_bytes;
    std::uint8_t m_current = 0;
    int m_used = 0;
};

inline int signedBitsNeeded(std::int32_t value)
{
    int n = 1;
    while (value < -(1 << (n - 1)) || value >= (1 << (n - 1)))
        ++n;
    return n;
}

inline int signedBitsNeeded(std::initializer_list<std::int32_t> values)
{
    int n = 1;
    for (std::int32_t v : values)
        n = std::max(n, signedBitsNeeded(v));
    return n;
}

inline int unsignedBitsNeeded(std::uint32_t value)
{
    int n = 0;
    while (n < 32 && (value >> n) != 0)
        ++n;
    return n;
}

inline void rect(BitWriter &w, int xMin, int xMax, int yMin, int yMax)
{
    const int n = signedBitsNeeded({xMin, xMax, yMin, yMax});
    w.bits(static_cast<std::uint32_t>(n), 5);
    w.signedBits(xMin, n);
    w.signedBits(xMax, n);
    w.signedBits(yMin, n);
    w.signedBits(yMax, n);
    w.align();
}

inline void translateMatrix(BitWriter &w, int x, int y)
{
    w.bits(0, 1); // no scale
    w.bits(0, 1); // no rotate
    const int n = x == 0 && y == 0 ? 0 : signedBitsNeeded({x, y});
    w.bits(static_cast<std::uint32_t>(n), 5);
    if (n > 0) {
        w.signedBits(x, n);
        w.signedBits(y, n);
    }
    w.align();
}

inline void tag(BitWriter &out, int code, const std::vector<std::uint8_t> &body)
{
    if (body.size() < 0x3f) {
        out.u16(static_cast<std::uint16_t>((code << 6) | static_cast<int>(body.size())));
    } else {
        out.u16(static_cast<std::uint16_t>((code << 6) | 0x3f));
        out.u32(static_cast<std::uint32_t>(body.size()));
    }
    out.append(body);
}

} // namespace swf::detail
