// Characters as layered files and sprite sheets: what each format leaves out, refuses and names.
// What the files hold is read back by independent readers (layered_check.py, layered_krita.sh).
#include "exportsupport.h"
#include "vlmexport.h"
#include "vlmlayered.h"

#include <gtest/gtest.h>

#include <algorithm>

using VLMX::TExportFormat;

namespace {

constexpr int Ch = 144, Out = 126; // the first and second record of an archive

} // namespace

// An element of no pixels gets no layer or frame and is named; a character one of whose
// elements does not fit is skipped with its dump; a name with "/" makes a safe file name.
TEST(LayeredExport, EmptyElementsAreLeftOutAndCharactersThatDoNotFitAreSkipped) {
    const VLMT::TTempDir dir;
    VLMW::TCharRecord withEmpty = VLMT::Character();
    withEmpty.elements.push_back(VLMW::PatternElement(0, 8, 12, 22, 9)); // element 4
    const std::string archive = VLMT::CharacterArchive(dir, {withEmpty, VLMT::ReachingOut()});
    VLM::TCharacterBitmap::SetDumpPath(dir.File("run.log"));
    const auto loaded = VLM::NewPicture(VLM::TLayerKind::Character, archive);
    ASSERT_TRUE(loaded->Select(Ch));
    const auto& ch = static_cast<const VLM::TCharacterBitmap&>(*loaded);
    const struct {
        TExportFormat format;
        std::vector<std::string> files; // of "a/b" as picture 7
    } rows[] = {
        {TExportFormat::Ora, {"007-a_b.ora"}},
        {TExportFormat::Aseprite, {"007-a_b.aseprite"}},
        {TExportFormat::Sheet, {"007-a_b.png", "007-a_b.json"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(VLMX::FormatName(row.format));
        const std::string out = dir.File(VLMX::FormatName(row.format));
        ASSERT_EQ(VLMX::MakeFolder(out), 0);
        VLMX::TExportOptions options;
        options.format = row.format;
        const auto r =
            VLMX::ExportPictures(VLM::TLayerKind::Character, archive, {Out, Ch}, out, options);
        EXPECT_EQ(r.written, 1);
        ASSERT_EQ(r.leftOut.size(), 1u);
        EXPECT_EQ(r.leftOut[0].index, Ch);
        EXPECT_EQ(r.leftOut[0].element, 4);
        ASSERT_EQ(r.failures.size(), 1u);
        EXPECT_EQ(r.failures[0].index, Out);
        EXPECT_EQ(r.failures[0].reason, "element 1 reaches outside the picture");
        EXPECT_NE(r.failures[0].dump.find("elememts[1]->"), std::string::npos);
        auto written = VLMX::LayeredFileNames(row.format, VLMT::Stem(Ch, VLM::CharacterNames));
        std::sort(written.begin(), written.end());
        EXPECT_EQ(VLMT::FilesIn(out), written);

        const std::string stem = VLMX::LayeredStem(7, "a/b", row.format);
        const VLMX::TLayered named = VLMX::LayeredFiles(ch, 7, stem, row.format, 1);
        std::vector<std::string> files;
        for (const auto& f : named.files)
            files.push_back(f.name);
        EXPECT_EQ(files, row.files);
        const std::string last(named.files.back().bytes.begin(), named.files.back().bytes.end());
        if (row.format == TExportFormat::Sheet) {
            EXPECT_NE(last.find("\"image\": \"007-a_b.png\""), std::string::npos) << last;
        }
    }
    VLM::TCharacterBitmap::SetDumpPath("");
}
