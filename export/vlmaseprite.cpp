#include "vlmaseprite.h"

#include <zlib.h>

#include <limits>
#include <map>
#include <new>
#include <set>
#include <string>

namespace VLMX {

namespace {

constexpr uint16_t FileMagic = 0xA5E0;
constexpr uint16_t FrameMagic = 0xF1FA;
constexpr int HeaderBytes = 128;
constexpr int FrameHeaderBytes = 16;
constexpr uint16_t IndexedDepth = 8; // bits a pixel
constexpr uint32_t OpacityValid = 1; // header flag: layer opacity means what it says
constexpr uint16_t FrameMs = 100;

constexpr uint16_t OldPaletteChunk = 0x0004;
constexpr uint16_t LayerChunk = 0x2004;
constexpr uint16_t CelChunk = 0x2005;
constexpr uint16_t PaletteChunk = 0x2019;

constexpr uint16_t LayerVisible = 1, LayerEditable = 2;
constexpr uint16_t NormalLayer = 0, GroupLayer = 1;
constexpr uint16_t CompressedImage = 2; // cel type
constexpr int zlibLevel = 6;

class TWriter {
public:
    std::vector<uint8_t> bytes;

    void U8(unsigned v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v) { U8(v & 0xFF), U8(v >> 8 & 0xFF); }
    void U32(uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void S16(int v) { U16(static_cast<uint16_t>(static_cast<int16_t>(v))); }
    void Zeros(int n) { bytes.insert(bytes.end(), static_cast<size_t>(n), 0); }
    void String(const std::string& s) {
        U16(static_cast<unsigned>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    // A size field at at, filled in once what it counts is written.
    size_t Hole32() {
        U32(0);
        return bytes.size() - 4;
    }
    void Fill32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
    size_t Size() const { return bytes.size(); }
};

// One chunk: its size and type, then what body writes.
template <class F> void Chunk(TWriter& w, uint16_t type, F&& body) {
    const size_t start = w.Size();
    w.Hole32();
    w.U16(type);
    body();
    w.Fill32(start, static_cast<uint32_t>(w.Size() - start));
}

void Header(TWriter& w, const TParts& parts) {
    w.Hole32(); // file size
    w.U16(FileMagic);
    w.U16(1); // frames
    w.U16(static_cast<unsigned>(parts.width));
    w.U16(static_cast<unsigned>(parts.height));
    w.U16(IndexedDepth);
    w.U32(OpacityValid);
    w.U16(FrameMs); // the old speed field
    w.Zeros(8);
    w.U8(0); // transparent index
    w.Zeros(3);
    w.U16(256); // colours
    w.U8(1);    // pixel width and height: square
    w.U8(1);
    w.Zeros(4 + 4); // grid position and size: none
    w.Zeros(HeaderBytes - static_cast<int>(w.Size()));
}

void Palettes(TWriter& w, const TParts& parts) {
    Chunk(w, OldPaletteChunk, [&] {
        w.U16(1); // packets
        w.U8(0);  // entries skipped
        w.U8(0);  // 256 colours
        for (const TRgb& c : parts.palette)
            w.U8(c.r), w.U8(c.g), w.U8(c.b);
    });
    Chunk(w, PaletteChunk, [&] {
        w.U32(256);
        w.U32(0);
        w.U32(255);
        w.Zeros(8);
        for (const TRgb& c : parts.palette) {
            w.U16(0); // no name
            w.U8(c.r), w.U8(c.g), w.U8(c.b), w.U8(255);
        }
    });
}

void Layer(TWriter& w, uint16_t type, int level, bool visible, const std::string& name) {
    Chunk(w, LayerChunk, [&] {
        w.U16(LayerEditable | (visible ? LayerVisible : 0));
        w.U16(type);
        w.U16(static_cast<unsigned>(level));
        w.Zeros(4); // default width and height, unused
        w.U16(0);   // blend mode normal
        w.U8(255);  // opacity
        w.Zeros(3);
        w.String(name);
    });
}

// One deflate state a thread, reset for every cel: setting one up costs a quarter MiB that
// malloc hands back and takes again, more than compressing a small element.
class TDeflater {
public:
    TDeflater() {
        if (deflateInit(&stream, zlibLevel) != Z_OK) throw std::bad_alloc();
    }
    ~TDeflater() { deflateEnd(&stream); }
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    // A zlib stream of the bytes.
    std::vector<uint8_t> Pack(const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())));
        deflateReset(&stream);
        stream.next_in = const_cast<Bytef*>(bytes.data());
        stream.avail_in = static_cast<uInt>(bytes.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw EAsepriteError("zlib failed");
        out.resize(stream.total_out);
        return out;
    }

private:
    z_stream stream{};
};

void Cel(TWriter& w, int layer, const TPart& p) {
    thread_local TDeflater deflater;
    const std::vector<uint8_t> packed = deflater.Pack(p.image.pixels);
    Chunk(w, CelChunk, [&] {
        w.U16(static_cast<unsigned>(layer));
        w.S16(p.x);
        w.S16(p.y);
        w.U8(255); // opacity
        w.U16(CompressedImage);
        w.S16(0); // z-index
        w.Zeros(5);
        w.U16(static_cast<unsigned>(p.image.width));
        w.U16(static_cast<unsigned>(p.image.height));
        w.bytes.insert(w.bytes.end(), packed.begin(), packed.end());
    });
}

void CheckFits(const TParts& parts) {
    constexpr int low = std::numeric_limits<int16_t>::min(),
                  high = std::numeric_limits<int16_t>::max();
    if (parts.width > 0xFFFF || parts.height > 0xFFFF)
        throw EAsepriteError("the picture is too large for the Aseprite format");
    for (const TPart& p : parts.parts)
        if (p.x < low || p.x > high || p.y < low || p.y > high || p.image.width > 0xFFFF ||
            p.image.height > 0xFFFF)
            throw EAsepriteError("element " + std::to_string(p.element) +
                                 " lies too far from the picture for the Aseprite format");
}

} // namespace

std::vector<uint8_t> AsepriteFile(const TParts& parts) {
    CheckFits(parts);
    TWriter w;
    Header(w, parts);
    const size_t frame = w.Size();
    const size_t frameBytes = w.Hole32();
    w.U16(FrameMagic);
    const size_t oldChunks = w.Size();
    w.U16(0);
    w.U16(FrameMs);
    w.Zeros(2);
    const size_t chunks = w.Hole32();
    Palettes(w, parts);

    // Bottom layer first. A place's group stands where its first element would, with all its
    // alternatives inside: the first ones shown come out in the viewer's order.
    std::map<int, int> layerOf; // element -> layer index
    std::set<int> grouped;      // places
    int layers = 0;
    for (const TPart& p : parts.parts) {
        if (p.alternatives == 1) {
            Layer(w, NormalLayer, 0, p.visible, PartName(p));
            layerOf[p.element] = layers++;
        } else if (grouped.insert(p.place).second) {
            Layer(w, GroupLayer, 0, true, PlaceName(p));
            ++layers;
            for (const TPart& q : parts.parts)
                if (q.place == p.place) {
                    Layer(w, NormalLayer, 1, q.visible, PartName(q));
                    layerOf[q.element] = layers++;
                }
        }
    }
    for (const TPart& p : parts.parts)
        Cel(w, layerOf.at(p.element), p);

    const uint32_t count = 2 + static_cast<uint32_t>(layers + parts.parts.size());
    w.Fill32(chunks, count);
    w.bytes[oldChunks] = static_cast<uint8_t>(count < 0xFFFF ? count & 0xFF : 0xFF);
    w.bytes[oldChunks + 1] = static_cast<uint8_t>(count < 0xFFFF ? count >> 8 : 0xFF);
    w.Fill32(frameBytes, static_cast<uint32_t>(w.Size() - frame));
    w.Fill32(0, static_cast<uint32_t>(w.Size()));
    return std::move(w.bytes);
}

} // namespace VLMX
