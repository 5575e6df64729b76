#include "apptest.h"

#include "bgwriter.h"
#include "chwriter.h"
#include "vlmbitmap.h"
#include "vlmnames.h"

#include <QFileDialog>

#include <algorithm>

namespace VLMAT {

uint16_t NumberColour(int index) {
    // Spread the numbers over all three channels so neighbours differ visibly.
    const unsigned n = static_cast<unsigned>(index) + 1;
    return static_cast<uint16_t>(((n * 7) & 31) | ((n * 13 >> 2) & 31) << 5 |
                                 ((n >> 2) & 31) << 10);
}

QRgb Shown(uint16_t screenColour) {
    const uint16_t pixel = screenColour;
    return QImage(reinterpret_cast<const uchar*>(&pixel), 1, 1, 2, QImage::Format_RGB555)
        .pixel(0, 0);
}

QRgb NumberShown(int index) {
    const uint16_t c = NumberColour(index);
    return Shown(VLM::ArchiveToScreenColor(static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)));
}

VLMW::TIndexed NumberedPicture(int width, int height, int index) {
    VLMW::TIndexed p(width, height);
    std::fill(p.pixels.begin(), p.pixels.end(), uint8_t{1});
    p.palette[1] = NumberColour(index);
    return p;
}

void WriteWallPapers(const QString& path, int count, const std::vector<int>& missing) {
    std::vector<VLMW::TWallPaperEntry> entries;
    for (int i = 0; i < count; ++i) {
        if (std::find(missing.begin(), missing.end(), i) != missing.end()) continue;
        VLMW::TWallPaperEntry e;
        e.index = i;
        e.picture = NumberedPicture(320, 224, i);
        entries.push_back(std::move(e));
    }
    VLMW::WallPaperArchive(entries).Save(VLMQ::ToHostName(path));
}

void WriteBackGrounds(const QString& path, const std::vector<int>& indices,
                      const std::vector<int>& unreadable) {
    std::vector<VLMW::TBackGroundRecord> records;
    for (int i : indices) {
        VLMW::TBackGroundRecord r;
        r.searchFrom = VLM::BackGroundNames[i].offset;
        r.picture = NumberedPicture(288, 144, 1000 + i);
        if (std::find(unreadable.begin(), unreadable.end(), i) != unreadable.end())
            r.headerWidth = 287;
        records.push_back(std::move(r));
    }
    VLMW::BackGroundArchive(records).Save(VLMQ::ToHostName(path));
}

void WriteCharacters(const QString& path, const std::map<int, VLMW::TCharRecord>& records) {
    std::vector<VLMW::TCharPlacement> placements;
    for (const auto& [index, record] : records) {
        VLMW::TCharPlacement p;
        p.offset = VLM::CharacterNames[index].offset;
        p.record = record;
        placements.push_back(std::move(p));
    }
    VLMW::CharacterArchive(placements).Save(VLMQ::ToHostName(path));
}

VLMW::TCharRecord GroupRecord(int index, const TRects& rects) {
    VLMW::TCharRecord r;
    const VLMW::TIndexed base = NumberedPicture(64, 64, 2000 + index);
    r.palette = base.palette;
    for (int i = 2; i < 256; ++i)
        r.palette[i] = static_cast<uint16_t>(i * 129);
    r.elements.push_back(VLMW::CharElement(base, BaseRect[0], BaseRect[1]));
    uint32_t seed = 7;
    for (const auto& rect : rects)
        r.elements.push_back(VLMW::PatternElement(rect[2], rect[3], rect[0], rect[1], seed++));
    return r;
}

VLMW::TCharRecord OnePixelRecord(int count, bool onePixel) {
    VLMW::TCharRecord r;
    r.palette[1] = 0x7FFF;
    r.elements.reserve(static_cast<size_t>(count));
    for (int e = 0; e < count; ++e) {
        VLMW::TCharElement element;
        // Inside the background's area, so that the compositor draws every one of them.
        element.left = static_cast<uint16_t>(onePixel ? 0 : e % 256);
        element.top = static_cast<uint16_t>(onePixel ? 0 : e / 256 % 128);
        element.width = element.height = 1;
        element.pixels = {1};
        r.elements.push_back(std::move(element));
    }
    return r;
}

TOpenAnswer::TOpenAnswer(const QString& file) {
    VLMQ::DialogSeams().fileDialog = [this, file](QFileDialog& dialog) {
        ++runs;
        folder = dialog.directory().absolutePath();
        const QStringList offered = dialog.selectedFiles();
        initialName = offered.isEmpty() ? QString() : QFileInfo(offered.first()).fileName();
        filters = dialog.nameFilters();
        if (file.isEmpty()) return false;
        dialog.selectFile(file);
        return true;
    };
}

TOpenAnswer::~TOpenAnswer() {
    VLMQ::DialogSeams().fileDialog = nullptr;
}

TBoxLog::TBoxLog() {
    auto& seams = VLMQ::DialogSeams();
    seams.messageBox = [this](const QString& text, const QString& caption) {
        boxes.push_back({QStringLiteral("message"), text, caption});
    };
    seams.information = [this](const QString& text) {
        boxes.push_back({QStringLiteral("information"), text, QString()});
    };
    seams.error = [this](const QString& text) {
        boxes.push_back({QStringLiteral("error"), text, QString()});
    };
}

TBoxLog::~TBoxLog() {
    auto& seams = VLMQ::DialogSeams();
    seams.messageBox = nullptr;
    seams.information = nullptr;
    seams.error = nullptr;
}

void Open(QAction* item, const QString& path) {
    TOpenAnswer answer(path);
    item->trigger();
    QVERIFY(answer.runs == 1);
}

int Escaped() {
    return static_cast<VLMQ::TApplication*>(QCoreApplication::instance())->Escaped();
}

void UseLanguage(VLMQ::TLanguage language) {
    VLMQ::SetLanguage(language);
    // The windows are told by posted events.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

} // namespace VLMAT
