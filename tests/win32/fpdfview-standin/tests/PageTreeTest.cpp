// How the stand-in reads page trees that are valid but unlike cairo's: the
// shapes other PDF writers produce.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StandinLibrary.h"
#include "TestFiles.h"

namespace standin_test {
namespace {

using Sizes = std::vector<std::pair<double, double>>;

LoadOutcome loadPdf(const std::string& contents) {
    TemporaryFile file("tree.pdf", contents);
    return loadFile(file.path());
}

Sizes sizesOf(const std::string& contents) {
    LoadOutcome outcome = loadPdf(contents);
    EXPECT_TRUE(outcome.loaded) << "error " << outcome.error;
    return outcome.pageSizes;
}

TEST(StandinPageTree, InheritsMediaBoxAndRotateFromTheNodesAbove) {
    EXPECT_EQ(sizesOf(makePdf({
                  "<< /Type /Catalog /Pages 2 0 R >>",
                  "<< /Type /Pages /MediaBox [0 0 100 200] /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
                  "<< /Type /Page /Parent 2 0 R >>",
                  "<< /Type /Pages /Parent 2 0 R /Rotate 90 /Kids [6 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] >>",
                  "<< /Type /Page /Parent 4 0 R >>",
              })),
              (Sizes{{100, 200}, {200, 100}, {300, 400}}));
}

TEST(StandinPageTree, FollowsKidsDepthFirstInDocumentOrder) {
    EXPECT_EQ(sizesOf(makePdf({
                  "<< /Type /Catalog /Pages 2 0 R >>",
                  "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 3 >>",
                  "<< /Type /Pages /Kids [4 0 R 5 0 R] /Count 2 >>",
                  "<< /Type /Page /MediaBox [0 0 1 1] >>",
                  "<< /Type /Page /MediaBox [0 0 2 2] >>",
                  "<< /Type /Page /MediaBox [0 0 3 3] >>",
              })),
              (Sizes{{1, 1}, {2, 2}, {3, 3}}));
}

TEST(StandinPageTree, CountsThePagesItFindsNotWhatCountClaims) {
    EXPECT_EQ(sizesOf(makePdf({
                           "<< /Type /Catalog /Pages 2 0 R >>",
                           "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 1000 >>",
                           "<< /Type /Page >>",
                           "<< /Type /Page >>",
                       }))
                  .size(),
              2u);
    EXPECT_EQ(sizesOf(makePdf({
                           "<< /Type /Catalog /Pages 2 0 R >>",
                           "<< /Type /Pages /Kids [3 0 R] /Count 0 >>",
                           "<< /Type /Page >>",
                       }))
                  .size(),
              1u);
}

TEST(StandinPageTree, ReadsIndirectValuesCommentsAndUnusualLayout) {
    // /MediaBox and one of its numbers by reference, a comment inside a
    // dictionary, no line breaks, corners given top right first, names with
    // #xx escapes.
    std::string pdf =
        "%PDF-1.7\n"
        "1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj "
        "2 0 obj<</Type/Pages/Kids[3 0 R]%comment ]>>\n/Count 1>>endobj "
        "3 0 obj<</Type/P#61ge/MediaBox 4 0 R/Rotate 5 0 R>>endobj "
        "4 0 obj[612 6 0 R 0 0]endobj 5 0 obj 0 endobj 6 0 obj 792.0 endobj "
        "trailer<</Root 1 0 R>>";
    EXPECT_EQ(sizesOf(pdf), (Sizes{{612, 792}}));
}

TEST(StandinPageTree, TurnsOnlyForOddQuarterTurnsWhateverTheRotateValue) {
    auto rotated = [](const char* rotate) {
        return sizesOf(makePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                                std::string("<< /Type /Pages /Kids [3 0 R] /Count 1 /Rotate ") + rotate + " >>",
                                "<< /Type /Page /MediaBox [0 0 100 200] >>"}));
    };
    EXPECT_EQ(rotated("180"), (Sizes{{100, 200}}));
    EXPECT_EQ(rotated("-90"), (Sizes{{200, 100}}));
    EXPECT_EQ(rotated("450"), (Sizes{{200, 100}}));
    EXPECT_EQ(rotated("720"), (Sizes{{100, 200}}));
    EXPECT_EQ(rotated("99999999999999999999"), rotated("99999999999999999999"));  // no overflow
}

TEST(StandinPageTree, UsesLetterWhenNoUsableMediaBoxIsGiven) {
    EXPECT_EQ(sizesOf(makePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                               "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", "<< /Type /Page >>",
                               "<< /Type /Page /MediaBox [10 10 10 500] >>"})),
              (Sizes{{612, 792}, {612, 792}}));
}

TEST(StandinPageTree, FindsTheCatalogWhenThereIsNoClassicTrailer) {
    EXPECT_EQ(sizesOf(makePdf({"<< /Pages 2 0 R /Type /Catalog >>", "<< /Type /Pages /Kids [3 0 R] >>",
                               "<< /Type /Page /MediaBox [0 0 50 60] >>"},
                              "")),
              (Sizes{{50, 60}}));
}

TEST(StandinPageTree, TakesTheLastDefinitionOfAnObjectAsAfterAnUpdate) {
    std::string pdf = makePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] >>",
                               "<< /Type /Page /MediaBox [0 0 50 60] >>"});
    pdf += "3 0 obj\n<< /Type /Page /MediaBox [0 0 70 80] >>\nendobj\ntrailer\n<< /Root 1 0 R /Prev 0 >>\n%%EOF\n";
    EXPECT_EQ(sizesOf(pdf), (Sizes{{70, 80}}));
}

TEST(StandinPageTree, IgnoresObjectsAndTrailersInsideStreamData) {
    // The stream holds text that looks like a later object 3 and like a
    // trailer with a root that does not exist (the file has no trailer of
    // its own); with a direct and with an indirect /Length.
    const std::string fake = "3 0 obj << /Type /Page /MediaBox [0 0 1 1] >> endobj trailer << /Root 9 0 R >>";
    for (const std::string& length : {std::to_string(fake.size()), std::string("5 0 R")}) {
        std::string pdf = makePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] >>",
                                   "<< /Type /Page /MediaBox [0 0 50 60] /Contents 4 0 R >>",
                                   "<< /Length " + length + " >>\nstream\n" + fake + "\nendstream",
                                   std::to_string(fake.size())},
                                  "");
        EXPECT_EQ(sizesOf(pdf), (Sizes{{50, 60}})) << "/Length " << length;
    }
}

TEST(StandinPageTree, AcceptsJunkBeforeTheHeader) {
    std::string pdf = makePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] >>",
                               "<< /Type /Page /MediaBox [0 0 50 60] >>"});
    EXPECT_EQ(sizesOf(std::string(100, ' ') + "junk\n" + pdf), (Sizes{{50, 60}}));
}

}  // namespace
}  // namespace standin_test
