// Broken and hostile files: the stand-in refuses them with FPDF_ERR_FORMAT
// (never a crash, a hang or a half-read page list).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "StandinLibrary.h"
#include "TestFiles.h"

namespace standin_test {
namespace {

LoadOutcome loadPdf(const std::string& contents) {
    TemporaryFile file("broken.pdf", contents);
    return loadFile(file.path());
}

void expectRefused(const std::string& contents, const char* what) {
    LoadOutcome outcome = loadPdf(contents);
    EXPECT_FALSE(outcome.loaded) << what;
    EXPECT_EQ(outcome.error, unsigned(FPDF_ERR_FORMAT)) << what;
}

const char* const kCatalog = "<< /Type /Catalog /Pages 2 0 R >>";

TEST(StandinMalformed, RefusesPageTreesThatCannotBeFollowed) {
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [2 0 R] >>"}), "node is its own kid");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>", "<< /Type /Pages /Kids [2 0 R] >>"}),
                  "cycle of two nodes");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R 3 0 R] >>", "<< /Type /Page >>"}),
                  "page listed twice");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R 7 0 R] >>", "<< /Type /Page >>"}),
                  "kid that does not exist");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids 3 0 R >>", "<< /Type /Page >>"}),
                  "kids not an array");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>", "42"}), "kid not a dictionary");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>", "<< /Type /Font >>"}),
                  "kid of another type");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>", "<< /Type /Page /MediaBox 4 0 R >>",
                           "4 0 R"}),
                  "reference to itself");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>",
                           "<< /Type /Page /MediaBox [0 0 612] >>"}),
                  "media box of three numbers");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>",
                           "<< /Type /Page /Rotate /Ninety >>"}),
                  "rotate not a number");
}

TEST(StandinMalformed, RefusesFilesWithoutAUsableCatalog) {
    const std::vector<std::string> tree = {"<< /Type /Pages /Kids [2 0 R] >>", "<< /Type /Page >>"};
    expectRefused(makePdf(tree, "<< /Size 3 >>"), "trailer without /Root, no catalog");
    expectRefused(makePdf(tree, ""), "no trailer, no catalog");
    expectRefused(makePdf({kCatalog}), "catalog naming a missing page tree");
    expectRefused(makePdf({"<< /Type /Catalog >>"}), "catalog without /Pages");
    expectRefused("%PDF-1.4\n", "header only");
    expectRefused("", "empty file");
    std::string farHeader = std::string(2000, ' ') + makePdf({kCatalog, "<< /Type /Pages /Kids [] >>"});
    expectRefused(farHeader, "header after the first kilobyte");
}

TEST(StandinMalformed, RefusesACatalogInsideAnObjectStream) {
    // What PDF 1.5 writers produce: the objects are compressed into a stream
    // this stand-in does not read; the cross-reference stream holds /Root.
    std::string pdf =
        "%PDF-1.5\n"
        "5 0 obj\n<< /Type /ObjStm /N 3 /First 12 /Length 10 /Filter /FlateDecode >>\nstream\n"
        "0123456789\nendstream\nendobj\n"
        "6 0 obj\n<< /Type /XRef /Root 1 0 R /Size 7 /W [1 2 1] /Length 4 >>\nstream\nabcd\nendstream\nendobj\n"
        "startxref\n100\n%%EOF\n";
    expectRefused(pdf, "object stream");
}

TEST(StandinMalformed, SeesEncryptionInACrossReferenceStream) {
    std::string pdf = makePdf({kCatalog, "<< /Type /Pages /Kids [] >>", "<< /Filter /Standard >>",
                               "<< /Type /XRef /Root 1 0 R /Encrypt 3 0 R /Length 0 >>\nstream\n\nendstream"},
                              "");
    LoadOutcome outcome = loadPdf(pdf);
    EXPECT_FALSE(outcome.loaded);
    EXPECT_EQ(outcome.error, unsigned(FPDF_ERR_PASSWORD));
}

TEST(StandinMalformed, SurvivesHugeNumbersAndDeepNesting) {
    const std::string huge(400, '9');
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>",
                           "<< /Type /Page /MediaBox [0 0 " + huge + " 792] >>"}),
                  "number beyond double");
    expectRefused(makePdf({"<< /Type /Catalog /Pages " + huge + " 0 R >>"}), "object number beyond int");
    expectRefused("%PDF-1.4\n" + huge + " 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n",
                  "object header beyond int");
    expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>",
                           "<< /Type /Page /MediaBox " + std::string(100000, '[') + " >>"}),
                  "arrays nested 100000 deep");

    // A chain of 5000 /Pages nodes, each the only kid of the one before.
    std::vector<std::string> chain = {kCatalog};
    for (int node = 2; node < 5002; ++node)
        chain.push_back("<< /Type /Pages /Kids [" + std::to_string(node + 1) + " 0 R] >>");
    chain.push_back("<< /Type /Page >>");
    expectRefused(makePdf(chain), "page tree 5000 levels deep");
}

TEST(StandinMalformed, SurvivesUnterminatedTokens) {
    for (const char* tail : {"<< /Type /Page /MediaBox [0 0 1 1] (never closed", "<< /A <4142", "<< /A [ 1 2",
                             "<< /A >", ") ] >> } {"}) {
        expectRefused(makePdf({kCatalog, "<< /Type /Pages /Kids [3 0 R] >>", tail}, ""), tail);
    }
}

// Every prefix of a real file, and the real file with bytes overwritten:
// whatever the stand-in makes of them, it answers without crashing, and
// what it loads has sane page sizes.
TEST(StandinMalformed, AnswersForEveryCutAndDamagedVersionOfARealFile) {
    const std::string original = readFile(sampleFile("mixed.pdf"));
    ASSERT_FALSE(original.empty());
    auto check = [](const std::string& contents, const std::string& what) {
        LoadOutcome outcome = loadPdf(contents);
        if (!outcome.loaded) {
            EXPECT_EQ(outcome.error, unsigned(FPDF_ERR_FORMAT)) << what;
            return;
        }
        for (const auto& [width, height] : outcome.pageSizes) {
            EXPECT_GT(width, 0) << what;
            EXPECT_GT(height, 0) << what;
        }
    };
    for (std::size_t length = 0; length < original.size(); length += 53)
        check(original.substr(0, length), "first " + std::to_string(length) + " bytes");

    std::uint32_t random = 12345;  // a fixed sequence: the same files every run
    auto nextRandom = [&random] { return random = random * 1664525u + 1013904223u; };
    const char alphabet[] = "0123456789 /<>[]()R%\nobjendtrailer";
    for (int round = 0; round < 150; ++round) {
        std::string damaged = original;
        for (int hit = 0; hit < 8; ++hit)
            damaged[nextRandom() % damaged.size()] = alphabet[nextRandom() % (sizeof alphabet - 1)];
        check(damaged, "damage round " + std::to_string(round));
    }
}

}  // namespace
}  // namespace standin_test
