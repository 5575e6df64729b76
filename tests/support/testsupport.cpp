#include "testsupport.h"

#include "vlmbitmap.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace VLMT {

TTempDir::TTempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "vlmtest-XXXXXX").string();
    if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path = templ;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::string TTempDir::Write(const std::string& name, const VLMW::TBytes& bytes, int64_t keep) const {
    const std::string full = File(name);
    bytes.Save(full, keep);
    return full;
}

void TRecordingCanvas::Draw(int x, int y, const VLM::TPicture& picture) {
    calls.push_back({TCanvasCall::Draw, {x, y, x + picture.Width(), y + picture.Height()}, {}, picture});
}

void TRecordingCanvas::StretchDraw(const VLM::TRect& dst, const VLM::TPicture& picture) {
    calls.push_back({TCanvasCall::StretchDraw, dst, {}, picture});
}

void TRecordingCanvas::CopyRect(const VLM::TRect& dst, const VLM::TPicture& picture,
                                const VLM::TRect& src) {
    calls.push_back({TCanvasCall::CopyRect, dst, src, picture});
}

void TRecordingCanvas::FillBlack(const VLM::TRect& r) {
    calls.push_back({TCanvasCall::FillBlack, r, {}, {}});
}

TRecordingInterface::TRecordingInterface() { VLM::SetUserInterface(this); }
TRecordingInterface::~TRecordingInterface() { VLM::SetUserInterface(nullptr); }

void TRecordingInterface::MessageBox(const std::string& text, const std::string& caption) {
    messages.push_back({text, caption});
}
void TRecordingInterface::InformationDialog(const std::string& text) { dialogs.push_back(text); }
void TRecordingInterface::Terminate() { ++terminations; }

uint16_t Screen(const VLMW::TIndexed& picture, int index) {
    const uint16_t c = picture.palette[static_cast<size_t>(index)];
    return VLM::ArchiveToScreenColor(static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c));
}

} // namespace VLMT
