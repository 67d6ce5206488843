#pragma once
// Wave files written byte by byte, independent of the reader and writer under test: a
// builder for whole files and the bodies of the sampler chunks.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace velisto::test {

using Bytes = std::vector<std::uint8_t>;

inline void add16(Bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void add32(Bytes& b, std::uint32_t v)
{
    add16(b, v & 0xFFFF);
    add16(b, v >> 16);
}

struct Chunk {
    std::string id;
    Bytes body;
};

// Writes WAVE files byte by byte, independent of the code under test.
struct WavBuilder {
    std::uint16_t tag = 1;
    int channels = 1;
    int bits = 16;
    std::uint32_t rate = 44100;
    Bytes fmtExtra;
    std::vector<Chunk> before; // between "fmt " and "data"
    Bytes data = Bytes(600 * 2, 0);
    std::vector<Chunk> after;
    Bytes trailing; // fewer than 8 bytes behind the last chunk
    int riffDelta = 0;

    static void chunk(Bytes& out, const std::string& id, const Bytes& body)
    {
        out.insert(out.end(), id.begin(), id.end());
        add32(out, static_cast<std::uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
        if (body.size() % 2)
            out.push_back(0);
    }
    Bytes build() const
    {
        Bytes fmt;
        add16(fmt, tag);
        add16(fmt, static_cast<std::uint32_t>(channels));
        add32(fmt, rate);
        add32(fmt, rate * static_cast<std::uint32_t>(channels * bits / 8));
        add16(fmt, static_cast<std::uint32_t>(channels * bits / 8));
        add16(fmt, static_cast<std::uint32_t>(bits));
        fmt.insert(fmt.end(), fmtExtra.begin(), fmtExtra.end());
        Bytes out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        chunk(out, "fmt ", fmt);
        for (const Chunk& c : before)
            chunk(out, c.id, c.body);
        chunk(out, "data", data);
        for (const Chunk& c : after)
            chunk(out, c.id, c.body);
        out.insert(out.end(), trailing.begin(), trailing.end());
        const auto riff = static_cast<std::uint32_t>(static_cast<int>(out.size()) - 8 + riffDelta);
        for (int i = 0; i < 4; ++i)
            out[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(riff >> (8 * i));
        return out;
    }
};

inline Bytes smplBody(std::uint32_t key, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& loops,
                      const Bytes& samplerData = {}, std::uint32_t declaredLoops = 0xFFFFFFFF)
{
    Bytes b;
    for (std::uint32_t v : {0u, 0u, 1000000000u / 44100u, key, 0u, 0u, 0u})
        add32(b, v);
    add32(b, declaredLoops == 0xFFFFFFFF ? static_cast<std::uint32_t>(loops.size()) : declaredLoops);
    add32(b, static_cast<std::uint32_t>(samplerData.size()));
    std::uint32_t id = 1000;
    for (const auto& [start, end] : loops)
        for (std::uint32_t v : {id++, 0u, start, end, 0u, 0u})
            add32(b, v);
    b.insert(b.end(), samplerData.begin(), samplerData.end());
    return b;
}

inline Bytes instBody(int key, int fine, int gain, int lowNote, int highNote, int lowVel, int highVel)
{
    return Bytes{static_cast<std::uint8_t>(key),      static_cast<std::uint8_t>(fine),
                 static_cast<std::uint8_t>(gain),     static_cast<std::uint8_t>(lowNote),
                 static_cast<std::uint8_t>(highNote), static_cast<std::uint8_t>(lowVel),
                 static_cast<std::uint8_t>(highVel)};
}

inline Bytes cueBody(const std::vector<std::uint32_t>& frames, std::uint32_t declared = 0xFFFFFFFF)
{
    Bytes b;
    add32(b, declared == 0xFFFFFFFF ? static_cast<std::uint32_t>(frames.size()) : declared);
    std::uint32_t id = 0;
    for (std::uint32_t f : frames) {
        for (std::uint32_t v : {id++, 0u})
            add32(b, v);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        for (std::uint32_t v : {0u, 0u, f})
            add32(b, v);
    }
    return b;
}

inline Bytes mvlxBody(std::uint32_t count, std::int32_t value, int channels)
{
    Bytes b;
    add32(b, count);
    for (std::uint32_t i = 0; i < count * static_cast<std::uint32_t>(channels); ++i)
        add32(b, static_cast<std::uint32_t>(value));
    return b;
}

inline std::string asString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
inline Bytes readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace velisto::test
