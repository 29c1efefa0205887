#include "media.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace media {
namespace {

class Writer {
public:
    std::vector<std::uint8_t> bytes;

    void u8(std::uint8_t v) { bytes.push_back(v); }
    void u16(std::uint16_t v) { u8(v & 0xFF), u8(v >> 8); }
    void u32(std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
    void fourcc(const char* c) { bytes.insert(bytes.end(), c, c + 4); }
    void raw(const void* data, std::size_t size)
    {
        auto p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    std::size_t pos() const { return bytes.size(); }
    void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = (v >> (8 * i)) & 0xFF;
    }
    // Opens a chunk (or a RIFF/LIST with its type) and returns where its size goes.
    std::size_t open(const char* id, const char* type = nullptr)
    {
        fourcc(id);
        std::size_t at = pos();
        u32(0);
        if (type)
            fourcc(type);
        return at;
    }
    void close(std::size_t at)
    {
        patch32(at, static_cast<std::uint32_t>(pos() - at - 4));
        if (pos() & 1)
            u8(0);
    }
};

void save(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> frameBits(const Clip& clip, int index)
{
    int stride = (clip.width * 3 + 3) & ~3;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * clip.height, 0);
    Rgb c = frameColour(index);
    for (int row = 0; row < clip.height; ++row)     // row 0 is the bottom line
        for (int x = 0; x < clip.width; ++x) {
            Rgb p = c;
            if (row < 4 && x < 4)
                p = kBottomLeftMark;
            else if (row < 4 && x >= clip.width - 4)
                p = kBottomRightMark;
            std::uint8_t* px = &bits[static_cast<std::size_t>(row) * stride + x * 3];
            px[0] = p.b, px[1] = p.g, px[2] = p.r;
        }
    return bits;
}

std::vector<std::uint8_t> aviBytes(const Clip& clip)
{
    const int stride = (clip.width * 3 + 3) & ~3;
    const std::uint32_t frameSize = static_cast<std::uint32_t>(stride * clip.height);
    const int rate = 22050, blockAlign = 2;
    const int samplesPerFrame = rate / clip.fps;
    const std::uint32_t audioChunk = samplesPerFrame * blockAlign;

    Writer w;
    std::size_t riff = w.open("RIFF", "AVI ");
    std::size_t hdrl = w.open("LIST", "hdrl");
    std::size_t avih = w.open("avih");
    w.u32(1000000 / clip.fps);                 // microseconds per frame
    w.u32(frameSize * clip.fps + (clip.audio ? rate * blockAlign : 0));
    w.u32(0);                                  // padding granularity
    w.u32(0x10 | 0x100);                       // AVIF_HASINDEX | AVIF_ISINTERLEAVED
    w.u32(clip.frames);
    w.u32(0);
    w.u32(clip.audio ? 2 : 1);
    w.u32(frameSize);
    w.u32(clip.width);
    w.u32(clip.height);
    for (int i = 0; i < 4; ++i)
        w.u32(0);
    w.close(avih);

    std::size_t strl = w.open("LIST", "strl");
    std::size_t strh = w.open("strh");
    w.fourcc("vids");
    w.fourcc("DIB ");
    w.u32(0);                                  // flags
    w.u16(0), w.u16(0);                        // priority, language
    w.u32(0);                                  // initial frames
    w.u32(1), w.u32(clip.fps);                 // scale, rate
    w.u32(0), w.u32(clip.frames);              // start, length
    w.u32(frameSize);
    w.u32(0xFFFFFFFF);                         // quality
    w.u32(frameSize);                          // sample size
    w.u16(0), w.u16(0), w.u16(clip.width), w.u16(clip.height);
    w.close(strh);
    std::size_t strf = w.open("strf");
    w.u32(40), w.u32(clip.width), w.u32(clip.height);
    w.u16(1), w.u16(24);
    w.u32(0), w.u32(frameSize), w.u32(0), w.u32(0), w.u32(0), w.u32(0);
    w.close(strf);
    w.close(strl);

    if (clip.audio) {
        std::size_t astrl = w.open("LIST", "strl");
        std::size_t astrh = w.open("strh");
        w.fourcc("auds");
        w.u32(0);
        w.u32(0);
        w.u16(0), w.u16(0);
        w.u32(0);
        w.u32(blockAlign), w.u32(rate * blockAlign);
        w.u32(0), w.u32(samplesPerFrame * clip.frames);
        w.u32(audioChunk);
        w.u32(0xFFFFFFFF);
        w.u32(blockAlign);
        w.u16(0), w.u16(0), w.u16(0), w.u16(0);
        w.close(astrh);
        std::size_t astrf = w.open("strf");
        w.u16(1), w.u16(1);                    // PCM, mono
        w.u32(rate), w.u32(rate * blockAlign);
        w.u16(blockAlign), w.u16(16), w.u16(0);
        w.close(astrf);
        w.close(astrl);
    }
    w.close(hdrl);

    struct Entry {
        const char* id;
        std::uint32_t offset, size;
    };
    std::vector<Entry> index;
    std::size_t movi = w.open("LIST", "movi");
    const std::size_t moviType = movi + 4;
    for (int f = 0; f < clip.frames; ++f) {
        std::vector<std::uint8_t> bits = frameBits(clip, f);
        index.push_back({"00db", static_cast<std::uint32_t>(w.pos() - moviType), frameSize});
        std::size_t chunk = w.open("00db");
        w.raw(bits.data(), bits.size());
        w.close(chunk);
        if (clip.audio) {
            index.push_back({"01wb", static_cast<std::uint32_t>(w.pos() - moviType), audioChunk});
            std::size_t a = w.open("01wb");
            for (int s = 0; s < samplesPerFrame; ++s) {
                double t = static_cast<double>(f * samplesPerFrame + s) / rate;
                w.u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(3000 * std::sin(t * 2 * 3.14159265 * 440))));
            }
            w.close(a);
        }
    }
    w.close(movi);
    std::size_t idx1 = w.open("idx1");
    for (const Entry& e : index) {
        w.fourcc(e.id);
        w.u32(0x10);                           // AVIIF_KEYFRAME
        w.u32(e.offset);
        w.u32(e.size);
    }
    w.close(idx1);
    w.close(riff);
    return w.bytes;
}

} // namespace

Rgb frameColour(int index)
{
    int i = index & 0xFF;
    return {static_cast<std::uint8_t>(0x40), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i)};
}

int frameIndexOf(Rgb pixel)
{
    if (pixel.r != 0x40 || pixel.g != 255 - pixel.b)
        return -1;
    return pixel.b;
}

std::string scratchDir()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        std::string dir = std::string(base) + "ombrix-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(++counter);
        if (CreateDirectoryA(dir.c_str(), nullptr))
            return dir + "\\";
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + dir);
    }
}

void writeAvi(const std::string& path, const Clip& clip) { save(path, aviBytes(clip)); }

void writeWav(const std::string& path, double seconds, int sampleRate)
{
    const std::uint32_t samples = static_cast<std::uint32_t>(seconds * sampleRate);
    Writer w;
    std::size_t riff = w.open("RIFF", "WAVE");
    std::size_t fmt = w.open("fmt ");
    w.u16(1), w.u16(1);
    w.u32(sampleRate), w.u32(sampleRate * 2);
    w.u16(2), w.u16(16);
    w.close(fmt);
    std::size_t data = w.open("data");
    for (std::uint32_t s = 0; s < samples; ++s)
        w.u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(3000 * std::sin(s * 2 * 3.14159265 * 440 / sampleRate))));
    w.close(data);
    w.close(riff);
    save(path, w.bytes);
}

void writeEmpty(const std::string& path) { save(path, {}); }

void writeTruncatedAvi(const std::string& path, std::size_t keep)
{
    std::vector<std::uint8_t> bytes = aviBytes(Clip{});
    bytes.resize(keep < bytes.size() ? keep : bytes.size());
    save(path, bytes);
}

void writeRandom(const std::string& path, std::size_t size, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    save(path, bytes);
}

} // namespace media
