// The indexed picture shared by every layer: colours, cells and the two drawing families.
#include "testsupport.h"
#include "vlmbitmap.h"

#include <gtest/gtest.h>

using VLM::TPicture;
using VLM::TRect;
using VLMT::TCanvasCall;

namespace {

// A picture of any size whose pixels a test sets directly.
class TTestBitmap : public VLM::TBitmap {
public:
    TTestBitmap(int w, int h) {
        Width = w;
        Height = h;
        Pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(w) * h);
        for (int i = 0; i < 256; ++i) Palette[i] = static_cast<uint16_t>(0x100 + i);
        Loaded = true;
    }
    int GetCount() override { return 0; }
    const char* GetCurrentName() override { return VLM::NoneName; }
    bool LoadAt(int) override { return false; }
    const char* GetName(int) override { return VLM::UndefinedName; }
    bool Select(int) override { return false; }
    void Cells(const std::vector<uint8_t>& bytes, const std::string& path) {
        VLMW::TBytes b;
        b.Put(0, bytes.data(), bytes.size());
        b.Save(path);
        VLM::TFile file(path);
        std::vector<uint8_t> band(static_cast<size_t>(Width) * 8);
        ReadCells(file, band.data());
    }
};

TPicture Filled(int w, int h, uint16_t v) {
    TPicture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.ScanLine(y)[x] = v;
    return p;
}

} // namespace

TEST(Colour, ArchiveColourBecomesScreenColour) {
    EXPECT_EQ(VLM::ArchiveToScreenColor(0x00, 0x1F), 0x7C00); // red
    EXPECT_EQ(VLM::ArchiveToScreenColor(0x03, 0xE0), 0x03E0); // green
    EXPECT_EQ(VLM::ArchiveToScreenColor(0x7C, 0x00), 0x001F); // blue
    EXPECT_EQ(VLM::ArchiveToScreenColor(0x80, 0x00), 0x0000); // bit 15 dropped
    EXPECT_EQ(VLM::ArchiveToScreenColor(0x12, 0x34), 0x5224);
    for (unsigned c = 0; c < 0x8000; c += 97)
        EXPECT_EQ(VLMW::ScreenToArchive(VLM::ArchiveToScreenColor(c >> 8, c & 0xFF)), c);
}

TEST(Cells, BytesLandInEightByEightCellsBandByBand) {
    VLMT::TTempDir dir;
    TTestBitmap b(16, 16);
    std::vector<uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<uint8_t>(i);
    b.Cells(bytes, dir.File("cells"));
    EXPECT_EQ(b.Row(0)[8], 64);  // first byte of the second cell
    EXPECT_EQ(b.Row(8)[0], 128); // first byte of the second band
    EXPECT_EQ(b.Row(1)[1], 9);
    EXPECT_EQ(b.Row(15)[15], 255);
    // An odd width of whole cells: 3 cells a band, so the stride is not a power of two.
    TTestBitmap odd(24, 8);
    std::vector<uint8_t> oddBytes(192);
    for (int i = 0; i < 192; ++i) oddBytes[i] = static_cast<uint8_t>(i);
    odd.Cells(oddBytes, dir.File("odd"));
    EXPECT_EQ(odd.Row(7)[23], 191);
    EXPECT_EQ(odd.Row(0)[16], 128);
}

TEST(BitmapDraw, EmptyPictureFillsItsTargetBlackAndReportsFalse) {
    TTestBitmap b(288, 144);
    b.Loaded = false;
    TPicture dst = Filled(320, 224, 0x7FFF);
    EXPECT_FALSE(b.Draw(dst, 16, 8, 0, 0, 288, 144));
    EXPECT_EQ(dst.ScanLine(8)[16], 0);
    EXPECT_EQ(dst.ScanLine(151)[303], 0);
    EXPECT_EQ(dst.ScanLine(7)[16], 0x7FFF);
    EXPECT_EQ(dst.ScanLine(152)[303], 0x7FFF);
    EXPECT_EQ(dst.ScanLine(8)[304], 0x7FFF);
    EXPECT_EQ(dst.ScanLine(8)[15], 0x7FFF);
}

TEST(BitmapDraw, CopiesTheSourceRectangleThroughThePalette) {
    TTestBitmap b(47, 33);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 47; ++x) b.Row(y)[x] = static_cast<uint8_t>(x + y * 3);
    TPicture dst = Filled(60, 40, 0x1234);
    EXPECT_TRUE(b.Draw(dst, 5, 6, 10, 3, 20, 9)); // 10 x 6 from (10, 3)
    EXPECT_EQ(dst.ScanLine(6)[5], 0x100 + 10 + 9);
    EXPECT_EQ(dst.ScanLine(11)[14], 0x100 + 19 + 8 * 3);
    EXPECT_EQ(dst.ScanLine(12)[14], 0x1234);
    EXPECT_EQ(dst.ScanLine(6)[15], 0x1234);
    // Empty source rectangles draw nothing.
    TPicture untouched = Filled(60, 40, 0x1234);
    b.Draw(untouched, 0, 0, 20, 0, 10, 9);
    b.Draw(untouched, 0, 0, 0, 9, 10, 9);
    EXPECT_EQ(untouched.ScanLine(0)[0], 0x1234);
}

TEST(BitmapDraw, TransparentSkipsIndexZeroOnly) {
    TTestBitmap b(8, 1);
    b.Row(0)[0] = 0;
    b.Row(0)[1] = 5;
    TPicture dst = Filled(8, 1, 0x7FFF);
    b.Transparent = true;
    b.Draw(dst);
    EXPECT_EQ(dst.ScanLine(0)[0], 0x7FFF);
    EXPECT_EQ(dst.ScanLine(0)[1], 0x105);
    b.Transparent = false;
    b.Draw(dst);
    EXPECT_EQ(dst.ScanLine(0)[0], 0x100);
}

TEST(BitmapDraw, CallersOutsideThePicturesAreClippedNotObeyed) {
    TTestBitmap b(16, 16);
    TPicture dst = Filled(20, 20, 0x1111);
    // Source beyond the store, target beyond the destination, negative corners.
    b.Draw(dst, 10, 10, 0, 0, 100, 100);
    EXPECT_EQ(dst.ScanLine(19)[19], 0x100);
    b.Draw(dst, -5, -5, -3, -3, 16, 16);
    b.Draw(dst, 0, 0, 10, 10, 40, 40);
    b.Draw(dst, 25, 25, 0, 0, 16, 16);
    constexpr int Big = 2147483647, Small = -2147483647 - 1;
    b.Draw(dst, Big, Big, Small, Small, Big, Big);
    b.Draw(dst, Small, Small, Big, Big, Small, Small);
    b.Loaded = false;
    b.Draw(dst, Big, Small, Small, Big, Big, Small);
    VLMT::TRecordingCanvas canvas;
    b.Draw(canvas, VLM::TRect{0, 0, 4, 4}, VLM::TRect{40, 40, 44, 44});
    SUCCEED(); // the sanitizer build checks that nothing was read or written outside
}

TEST(CanvasDraw, ExactSizeDrawsUnscaledAndAnyOtherStretches) {
    TTestBitmap b(16, 8);
    b.Row(3)[5] = 9;
    VLMT::TRecordingCanvas canvas;
    b.Draw(canvas, TRect{4, 4, 20, 12});
    b.Draw(canvas, TRect{4, 4, 21, 12});
    b.Draw(canvas, TRect{4, 4, 20, 13});
    b.Draw(canvas, 7, 9);
    ASSERT_EQ(canvas.calls.size(), 4u);
    EXPECT_EQ(canvas.calls[0].kind, TCanvasCall::Draw);
    EXPECT_EQ(canvas.calls[0].dst.left, 4);
    EXPECT_EQ(canvas.calls[1].kind, TCanvasCall::StretchDraw);
    EXPECT_EQ(canvas.calls[2].kind, TCanvasCall::StretchDraw);
    EXPECT_EQ(canvas.calls[3].kind, TCanvasCall::Draw);
    EXPECT_EQ(canvas.calls[3].dst.top, 9);
    EXPECT_EQ(canvas.calls[3].picture.ScanLine(3)[5], 0x109);
}

TEST(CanvasDraw, SourceRectangleIsConvertedAloneAndStretched) {
    TTestBitmap b(16, 16);
    b.Row(5)[6] = 42;
    b.Loaded = false; // canvas drawing converts whatever the store holds
    VLMT::TRecordingCanvas canvas;
    b.Draw(canvas, TRect{0, 0, 100, 100}, TRect{4, 4, 8, 10});
    ASSERT_EQ(canvas.calls.size(), 1u);
    const auto& call = canvas.calls[0];
    EXPECT_EQ(call.kind, TCanvasCall::StretchDraw);
    EXPECT_EQ(call.picture.Width(), 4);
    EXPECT_EQ(call.picture.Height(), 6);
    EXPECT_EQ(call.picture.ScanLine(1)[2], 0x100 + 42);
    EXPECT_EQ(b.Work.Width(), 4);
}

TEST(Picture, RowAccessOutsideThePictureThrows) {
    TPicture p(4, 3);
    EXPECT_THROW(p.ScanLine(-1), VLM::ERowRange);
    EXPECT_THROW(p.ScanLine(3), std::out_of_range);
    EXPECT_NO_THROW(p.ScanLine(2));
    p.FillBlack({-10, -10, 100, 100}); // clipped
}

TEST(Paths, FileNamePartAndHostPath) {
    EXPECT_EQ(VLM::FileNamePart("c:\\games\\eyecatch.all"), "eyecatch.all");
    EXPECT_EQ(VLM::FileNamePart("d:NCDAT.ALL"), "NCDAT.ALL");
    EXPECT_EQ(VLM::FileNamePart("/home/u/NBGFILE1.ALL"), "NBGFILE1.ALL");
    // 0x95 0x5C is one Shift-JIS character whose second byte is not a folder separator.
    EXPECT_EQ(VLM::FileNamePart("c:\\x\\\x95\x5C.ALL"), "\x95\x5C.ALL");
    EXPECT_EQ(VLM::HostPath("c:\\tmp\\run.log"), "/tmp/run.log");
    EXPECT_EQ(VLM::HostPath("d:\\velmora1\\ncdat.all"), "/velmora1/ncdat.all");
    EXPECT_EQ(VLM::UpperAscii("ncdat.all\x82\xa0"), "NCDAT.ALL\x82\xa0");
}
