// Helpers shared by the engine tests: a scratch folder, a canvas and a desktop that record
// what the engine asks of them.
#pragma once

#include "vlmplatform.h"
#include "vlmwriter.h"

#include <string>
#include <vector>

namespace VLMT {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }
    // Saves bytes as name in this folder and returns the full path.
    std::string Write(const std::string& name, const VLMW::TBytes& bytes, int64_t keep = -1) const;

private:
    std::string path;
};

// One call a canvas received, with a copy of the picture it was given.
struct TCanvasCall {
    enum TKind { Draw, StretchDraw, CopyRect, FillBlack } kind;
    VLM::TRect dst;        // Draw: (x, y, x + width, y + height)
    VLM::TRect src;        // CopyRect only
    VLM::TPicture picture; // Draw, StretchDraw, CopyRect
};

class TRecordingCanvas : public VLM::TCanvas {
public:
    std::vector<TCanvasCall> calls;
    void Draw(int x, int y, const VLM::TPicture& picture) override;
    void StretchDraw(const VLM::TRect& dst, const VLM::TPicture& picture) override;
    void CopyRect(const VLM::TRect& dst, const VLM::TPicture& picture, const VLM::TRect& src) override;
    void FillBlack(const VLM::TRect& r) override;
};

// Records the desktop requests and installs itself for its lifetime.
class TRecordingInterface : public VLM::TUserInterface {
public:
    TRecordingInterface();
    ~TRecordingInterface() override;
    struct TMessage {
        std::string text, caption;
    };
    std::vector<TMessage> messages;
    std::vector<std::string> dialogs;
    int terminations = 0;
    void MessageBox(const std::string& text, const std::string& caption) override;
    void InformationDialog(const std::string& text) override;
    void Terminate() override;
};

// The screen colour that entry i of a writer palette turns into.
uint16_t Screen(const VLMW::TIndexed& picture, int index);

} // namespace VLMT
