#include "vlmora.h"

#include "vlmnaming.h"
#include "vlmpng.h"

#include <zip.h>

#include <algorithm>
#include <ctime>
#include <list>
#include <string>

namespace VLMX {

namespace {

// Every entry carries this time, so that one character always makes the same bytes.
constexpr time_t EntryTime = 946684800; // 2000-01-01

// A zip archive built in memory; the bytes go to the file whole, as every export's do.
class TZip {
public:
    TZip() {
        zip_error_t error;
        zip_error_init(&error);
        source = zip_source_buffer_create(nullptr, 0, 0, &error);
        if (!source) Fail(error);
        zip = zip_open_from_source(source, ZIP_TRUNCATE, &error);
        if (!zip) {
            zip_source_free(source);
            Fail(error);
        }
        zip_source_keep(source); // the bytes are read from it after zip_close
    }
    ~TZip() {
        if (zip) zip_discard(zip);
        zip_source_free(source);
    }
    TZip(const TZip&) = delete;
    TZip& operator=(const TZip&) = delete;

    // Stored, not deflated.
    void Add(const std::string& name, std::vector<uint8_t> bytes) {
        const std::vector<uint8_t>& kept = data.emplace_back(std::move(bytes));
        zip_source_t* s = zip_source_buffer(zip, kept.data(), kept.size(), 0);
        if (!s) Fail(*zip_get_error(zip));
        const zip_int64_t i = zip_file_add(zip, name.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) {
            zip_source_free(s);
            Fail(*zip_get_error(zip));
        }
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_set_file_compression(zip, index, ZIP_CM_STORE, 0) != 0 ||
            zip_file_set_mtime(zip, index, EntryTime, 0) != 0)
            Fail(*zip_get_error(zip));
    }

    std::vector<uint8_t> Finish() {
        if (zip_close(zip) != 0) Fail(*zip_get_error(zip));
        zip = nullptr;
        std::vector<uint8_t> out;
        if (zip_source_open(source) != 0) Fail(*zip_source_error(source));
        zip_source_seek(source, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(source);
        zip_source_seek(source, 0, SEEK_SET);
        out.resize(static_cast<size_t>(std::max<zip_int64_t>(size, 0)));
        const zip_int64_t got = zip_source_read(source, out.data(), out.size());
        zip_source_close(source);
        if (size < 0 || got != size) throw EOraError("zip: cannot read the archive back");
        return out;
    }

private:
    [[noreturn]] static void Fail(zip_error_t& error) {
        const std::string text = std::string("zip: ") + zip_error_strerror(&error);
        zip_error_fini(&error);
        throw EOraError(text);
    }

    zip_source_t* source = nullptr;
    zip_t* zip = nullptr;
    std::list<std::vector<uint8_t>> data; // the entries' bytes, until zip_close has read them
};

std::vector<uint8_t> Png(const TImage& image) {
    try {
        return EncodePng(image);
    } catch (const EPngError& e) {
        throw EOraError(e.what());
    }
}

std::vector<uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

// Nearest neighbour, the longer side OraThumbnailSide at most.
TImage Thumbnail(const TImage& image) {
    const int side = std::max(image.width, image.height);
    if (side <= OraThumbnailSide) return image;
    const int w = std::max<int>(1, int64_t{image.width} * OraThumbnailSide / side);
    const int h = std::max<int>(1, int64_t{image.height} * OraThumbnailSide / side);
    TImage small = TImage::Indexed(w, h);
    small.palette = image.palette;
    small.transparentZero = image.transparentZero;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            small.Row(y)[x] = image.Row(
                static_cast<int>(int64_t{y} * image.height / h))[int64_t{x} * image.width / w];
    return small;
}

std::string StackXml(const TParts& parts) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<image version=\"0.0.3\" w=\"" +
                      std::to_string(parts.width) + "\" h=\"" + std::to_string(parts.height) +
                      "\">\n <stack>\n";
    // The first layer is the top one: the last element first, the base at the bottom.
    for (auto p = parts.parts.rbegin(); p != parts.parts.rend(); ++p)
        xml += "  <layer name=\"" + PartName(*p) + "\" src=\"data/" + ElementFileName(p->element) +
               "\" x=\"" + std::to_string(p->x) + "\" y=\"" + std::to_string(p->y) +
               "\" visibility=\"" + (p->visible ? "visible" : "hidden") +
               "\" opacity=\"1.0\" composite-op=\"svg:src-over\"/>\n";
    return xml + " </stack>\n</image>\n";
}

} // namespace

std::vector<uint8_t> OraFile(const TParts& parts) {
    TZip zip;
    // Nothing is deflated by the zip: PNGs are already, and stack.xml is a few hundred bytes.
    zip.Add("mimetype", Text("image/openraster"));
    zip.Add("stack.xml", Text(StackXml(parts)));
    for (const TPart& p : parts.parts)
        zip.Add("data/" + ElementFileName(p.element), Png(p.image));
    const TImage merged = Merged(parts);
    std::vector<uint8_t> mergedPng = Png(merged);
    // A picture no larger than a thumbnail is its own.
    zip.Add("Thumbnails/thumbnail.png", std::max(merged.width, merged.height) <= OraThumbnailSide
                                            ? mergedPng
                                            : Png(Thumbnail(merged)));
    zip.Add("mergedimage.png", std::move(mergedPng));
    return zip.Finish();
}

} // namespace VLMX
