// The page's way into the engine: the compositor the page shows (TWebScreen) and archives read
// apart from it for the page's worker (TWebArchive: thumbnails, pictures to export). Every
// result leaves as a JS value copied out of wasm memory before the call returns, so the page
// never holds a view of that memory across a call that may grow it.
#include "vlmcharacter.h"
#include "vlmcolor.h"
#include "vlmimage.h"
#include "vlmlayers.h"
#include "vlmnaming.h"
#include "vlmscreen.h"
#include "vlmthumbnail.h"
#include "vlmversion.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

using emscripten::val;
using VLM::TScreen;

// ---- Results as JS values ------------------------------------------------------------------

// A new JS typed array of type holding a copy of n elements at data.
template <class T> val Copy(const char* type, const T* data, size_t n) {
    return val::global(type).new_(emscripten::typed_memory_view(n, data));
}

// Engine texts are code page 932: they leave as bytes, which the page decodes.
val Bytes(const std::string& text) {
    return Copy("Uint8Array", reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

val ErrorValue(const VLM::TLoadError& error) {
    if (!error.Failed()) return val::null();
    val e = val::object();
    e.set("kind", static_cast<int>(error.kind));
    e.set("detail", static_cast<double>(error.detail));
    e.set("text", error.Text());
    return e;
}

// What a command that did not finish ran into, for the page to say.
val FailureValue(const std::exception* e) {
    val f = val::object();
    if (const auto* outside = dynamic_cast<const VLM::EElementOutside*>(e)) {
        f.set("kind", std::string("outside"));
        f.set("picture", outside->picture);
        f.set("element", outside->element);
    } else if (dynamic_cast<const std::bad_alloc*>(e)) {
        f.set("kind", std::string("memory"));
    } else {
        f.set("kind", std::string("other"));
        f.set("text", Bytes(e ? e->what() : ""));
    }
    return f;
}

// Runs a command on the compositor; null when it finished, else what stopped it.
template <class TCommand> val Guarded(TCommand command) {
    try {
        command();
        return val::null();
    } catch (const std::exception& e) {
        return FailureValue(&e);
    } catch (...) {
        return FailureValue(nullptr);
    }
}

// ---- The layers ----------------------------------------------------------------------------

// The page numbers layers as the engine does; anything else is no layer.
const VLM::TLayerOps* OpsOf(int layer) {
    for (VLM::TLayerKind kind : VLM::AllLayers)
        if (static_cast<int>(kind) == layer) return &VLM::OpsOf(kind);
    return nullptr;
}

// A 15-bit picture as RGBA, a pixel with transparentBit set fully transparent (0: none is).
val Rgba(const VLM::TPicture& picture, uint16_t transparentBit) {
    const size_t width = static_cast<size_t>(picture.Width());
    std::vector<uint8_t> rgba(width * static_cast<size_t>(picture.Height()) * 4);
    uint8_t* out = rgba.data();
    for (int y = 0; y < picture.Height(); ++y) {
        const uint16_t* row = picture.ScanLine(y);
        for (size_t x = 0; x < width; ++x, out += 4) {
            const VLM::TRgb c = VLM::ScreenToRgb(row[x]);
            out[0] = c.r;
            out[1] = c.g;
            out[2] = c.b;
            out[3] = (row[x] & transparentBit) ? 0 : 255;
        }
    }
    return Copy("Uint8ClampedArray", rgba.data(), rgba.size());
}

// ---- The compositor ------------------------------------------------------------------------

class TWebScreen {
public:
    // Names the archive of a layer and shows its picture 0, as a file opened by name does.
    val Open(int layer, const std::string& path) {
        const VLM::TLayerOps* ops = OpsOf(layer);
        if (!ops) return val::null();
        return Guarded([&] {
            std::invoke(ops->put, screen, path);
            std::invoke(ops->draw, screen, 0);
        });
    }

    val Draw(int layer, int index) {
        const VLM::TLayerOps* ops = OpsOf(layer);
        if (!ops) return val::null();
        return Guarded([&] { std::invoke(ops->draw, screen, index); });
    }

    val DrawElement(int element) {
        return Guarded([&] { screen.DrawElement(element); });
    }

    // What the caption, the status line and the lists say of a layer.
    val Layer(int layer) {
        const VLM::TLayerOps* ops = OpsOf(layer);
        if (!ops) return val::null();
        val l = val::object();
        l.set("fileName", std::invoke(ops->fileName, screen));
        l.set("count", std::invoke(ops->count, screen));
        l.set("current", std::invoke(ops->current, screen));
        l.set("drawn", std::invoke(ops->drawn, screen));
        l.set("loaded", std::invoke(ops->loaded, screen));
        l.set("error", ErrorValue(std::invoke(ops->error, screen)));
        return l;
    }

    val Name(int layer, int index) {
        const VLM::TLayerOps* ops = OpsOf(layer);
        const char* name = ops ? std::invoke(ops->name, screen, index) : nullptr;
        return Bytes(name ? name : "");
    }

    // Every picture's name, one after another, each ended by a zero byte.
    val Names(int layer) {
        const VLM::TLayerOps* ops = OpsOf(layer);
        std::string names;
        const int count = ops ? std::invoke(ops->count, screen) : 0;
        for (int i = 0; i < count; ++i) {
            const char* name = std::invoke(ops->name, screen, i);
            names += name ? name : "";
            names += '\0';
        }
        return Bytes(names);
    }

    // The composed picture, opaque.
    val Pixels() const { return Rgba(screen.GetOffscreen(), 0); }

    val PixelAt(int x, int y) const {
        static const char* const Layers[] = {"nothing", "wallpaper", "background", "element"};
        const VLM::TPixelSource s = screen.PixelSource(x, y);
        val p = val::object();
        p.set("layer", std::string(Layers[s.layer]));
        p.set("element", s.element);
        p.set("index", s.paletteIndex);
        p.set("colour", s.colour);
        return p;
    }

    // The character's elements with their rectangles, and those shown.
    val Elements() const {
        val elements = val::array();
        const int count = screen.getelcnt();
        for (int e = 0; e < count; ++e) {
            const TScreen::TElemBounds b = screen.getElemBounds(e);
            val item = val::object();
            item.set("left", b.left);
            item.set("top", b.top);
            item.set("width", b.width);
            item.set("height", b.height);
            item.set("sameAsPrevious", e > 0 && screen.SameElementRect(e - 1, e));
            elements.call<void>("push", item);
        }
        val result = val::object();
        result.set("elements", elements);
        result.set("shown",
                   Copy("Int32Array", screen.shownElements.data(), screen.shownElements.size()));
        return result;
    }

private:
    TScreen screen;
};

// ---- Archives read apart from the compositor -----------------------------------------------

class TWebArchive {
public:
    TWebArchive(int layer, const std::string& path)
        : kind(static_cast<VLM::TLayerKind>(OpsOf(layer) ? layer : 0)), thumbnails(kind, path),
          picture(VLM::NewPicture(kind, path)) {}

    int Count() { return thumbnails.GetCount(); }

    val Name(int index) {
        const char* name = thumbnails.GetName(index);
        return Bytes(name ? name : "");
    }

    val Thumbnail(int index) {
        val t = val::object();
        const VLM::TThumbnail made = thumbnails.Make(index);
        t.set("error", ErrorValue(made.error));
        t.set("width", made.picture.Width());
        t.set("height", made.picture.Height());
        t.set("rgba", Rgba(made.picture, VLM::TThumbnail::Transparent));
        return t;
    }

    // Picture index as the command-line export writes it: its file name, and its palette
    // indices and palette for the page to put into a PNG.
    val ExportPicture(int index) {
        val p = val::object();
        p.set("stem", VLMX::PictureStem(index, picture->GetName(index)));
        try {
            if (!picture->Select(index)) {
                p.set("error", ErrorValue(picture->LoadError));
                return p;
            }
            int outside = -1;
            const VLMX::TImage image = ExportImage(outside);
            if (outside >= 0) {
                p.set("outside", outside);
                return p;
            }
            p.set("width", image.width);
            p.set("height", image.height);
            p.set("transparentZero", image.transparentZero);
            p.set("indices", Copy("Uint8Array", image.pixels.data(), image.pixels.size()));
            std::vector<uint8_t> palette;
            for (const VLM::TRgb& c : image.palette)
                palette.insert(palette.end(), {c.r, c.g, c.b});
            p.set("palette", Copy("Uint8Array", palette.data(), palette.size()));
        } catch (const std::exception& e) {
            // Anything a load does not turn into a reason (memory running out while drawing):
            // this picture fails, a fresh object reads the next.
            p.set("failure", FailureValue(&e));
            picture = VLM::NewPicture(kind, picture->FileName);
        }
        return p;
    }

private:
    // The stored picture, or a character with its default elements; a character element
    // outside its picture leaves the image empty and its number in outside.
    VLMX::TImage ExportImage(int& outside) {
        if (kind != VLM::TLayerKind::Character) return VLMX::StoredPicture(*picture);
        const auto& ch = static_cast<const VLM::TCharacterBitmap&>(*picture);
        VLMX::TCharacterPicture composed = VLMX::CharacterPicture(ch, ch.DefaultElems());
        outside = composed.outside;
        return std::move(composed.image);
    }

    VLM::TLayerKind kind;
    VLM::TThumbnailMaker thumbnails;
    std::unique_ptr<VLM::TBitmap> picture;
};

int LayerOf(const std::string& fileName) {
    const std::optional<VLM::TLayerKind> kind = VLM::LayerKindOf(fileName);
    return kind ? static_cast<int>(*kind) : -1;
}

std::string Version() {
    return VLM::ReleaseVersion;
}

} // namespace

EMSCRIPTEN_BINDINGS(velmora) {
    emscripten::function("layerOf", &LayerOf);
    emscripten::function("version", &Version);
    emscripten::class_<TWebScreen>("Screen")
        .constructor<>()
        .function("open", &TWebScreen::Open)
        .function("draw", &TWebScreen::Draw)
        .function("drawElement", &TWebScreen::DrawElement)
        .function("layer", &TWebScreen::Layer)
        .function("name", &TWebScreen::Name)
        .function("names", &TWebScreen::Names)
        .function("pixels", &TWebScreen::Pixels)
        .function("pixelAt", &TWebScreen::PixelAt)
        .function("elements", &TWebScreen::Elements);
    emscripten::class_<TWebArchive>("Archive")
        .constructor<int, std::string>()
        .function("count", &TWebArchive::Count)
        .function("name", &TWebArchive::Name)
        .function("thumbnail", &TWebArchive::Thumbnail)
        .function("exportPicture", &TWebArchive::ExportPicture);
}
