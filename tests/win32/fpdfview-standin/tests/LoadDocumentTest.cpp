// The stand-in on the project's sample documents, as the print job uses it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "StandinLibrary.h"
#include "TestFiles.h"

namespace standin_test {
namespace {

constexpr double kA4Width = 595.28;
constexpr double kA4Height = 841.89;
constexpr double kA5Width = 419.53;
constexpr double kTolerance = 0.01;

void expectSizes(const LoadOutcome& outcome, const std::vector<std::pair<double, double>>& expected) {
    ASSERT_TRUE(outcome.loaded) << "error " << outcome.error;
    ASSERT_EQ(outcome.pageSizes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(outcome.pageSizes[i].first, expected[i].first, kTolerance) << "page " << i;
        EXPECT_NEAR(outcome.pageSizes[i].second, expected[i].second, kTolerance) << "page " << i;
    }
}

TEST(StandinExports, EveryOperationIsExportedUnderItsPlainName) {
    const StandinLibrary& library = standinLibrary();
    ASSERT_NE(library.module, nullptr) << "cannot load " << STANDIN_DLL_PATH;
    std::string missing;
    for (const std::string& name : library.missingExports) missing += name + " ";
    EXPECT_TRUE(library.missingExports.empty()) << "missing: " << missing;
}

TEST(StandinExports, VersionInformationSaysItIsATestStandIn) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(STANDIN_DLL_PATH, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(STANDIN_DLL_PATH, 0, size, block.data()));
    char* description = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\080904b0\\FileDescription",
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_STREQ(description, "Quorlex test stand-in for fpdfview.dll - not a PDF renderer");
}

TEST(StandinSamples, ReportsEachPageSizeOfAMixedDocumentInOrder) {
    expectSizes(loadFile(sampleFile("mixed.pdf")),
                {{kA4Width, kA4Height}, {kA4Height, kA4Width}, {612, 792}, {kA5Width, kA4Width}});
}

TEST(StandinSamples, ReportsARotatedPageTurned) {
    // Page 1 is A4 portrait with /Rotate 90: a viewer shows it landscape.
    expectSizes(loadFile(sampleFile("rotated.pdf")),
                {{kA4Height, kA4Width}, {kA4Height, kA4Width}, {612, 792}, {kA5Width, kA4Width}});
}

TEST(StandinSamples, ReportsAnOddPageSizeBetweenA4Pages) {
    expectSizes(loadFile(sampleFile("odd-size.pdf")), {{kA4Width, kA4Height}, {283.46, 283.46}, {kA4Width, kA4Height}});
}

TEST(StandinSamples, LoadsADocumentWithoutPages) {
    LoadOutcome outcome = loadFile(sampleFile("empty.pdf"));
    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.error, unsigned(FPDF_ERR_SUCCESS));
    EXPECT_TRUE(outcome.pageSizes.empty());
}

TEST(StandinSamples, TellsWhyADocumentCannotBeLoaded) {
    struct Case {
        std::string file;
        unsigned long error;
    };
    const Case cases[] = {
        {sampleFile("not-a-pdf.pdf"), FPDF_ERR_FORMAT},
        {sampleFile("truncated.pdf"), FPDF_ERR_FORMAT},
        {sampleFile("encrypted.pdf"), FPDF_ERR_PASSWORD},
        {sampleFile("no-such-file.pdf"), FPDF_ERR_FILE},
        {STANDIN_TEST_DATA, FPDF_ERR_FILE},   // a folder
        {"", FPDF_ERR_FILE},
        {"bad-\xC3(-utf8.pdf", FPDF_ERR_FILE},
    };
    for (const Case& c : cases) {
        LoadOutcome outcome = loadFile(c.file);
        EXPECT_FALSE(outcome.loaded) << c.file;
        EXPECT_EQ(outcome.error, c.error) << c.file;
    }
    EXPECT_EQ(fpdf().loadDocument(nullptr, nullptr), nullptr);
    EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_FILE));
}

TEST(StandinSamples, OpensWhatTheEmptyPasswordOpensAndReportsItsPermissions) {
    struct Case {
        const char* file;
        unsigned long permissions;
    };
    const Case cases[] = {
        {"mixed.pdf", 0xFFFFFFFF},              // not encrypted: everything
        {"print-forbidden.pdf", 0xFFFFF7F8},    // bits 3 and 12 clear
        {"print-low-quality.pdf", 0xFFFFF7FC},  // bit 12 clear
    };
    for (const Case& c : cases) {
        Document document(fpdf().loadDocument(sampleFile(c.file).c_str(), nullptr));
        ASSERT_TRUE(document) << c.file << ": error " << fpdf().getLastError();
        EXPECT_EQ(fpdf().getDocPermissions(document.get()), c.permissions) << c.file;
        EXPECT_EQ(fpdf().getPageCount(document.get()), 4) << c.file;
    }
    // The same document with another user password: the check fails.
    std::string other = readFile(sampleFile("print-forbidden.pdf"));
    const std::size_t user = other.find("/U <");
    ASSERT_NE(user, std::string::npos);
    other[user + 4] = other[user + 4] == '0' ? '1' : '0';
    TemporaryFile otherPassword("other-password.pdf", other);
    EXPECT_EQ(loadFile(otherPassword.path()).error, unsigned(FPDF_ERR_PASSWORD));
}

TEST(StandinSamples, ASuccessfulLoadClearsThePreviousError) {
    ASSERT_FALSE(loadFile(sampleFile("not-a-pdf.pdf")).loaded);
    Document document(fpdf().loadDocument(sampleFile("mixed.pdf").c_str(), nullptr));
    ASSERT_TRUE(document);
    EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_SUCCESS));
}

TEST(StandinSamples, OpensAFileWhoseUtf8NameIsNotAscii) {
    TemporaryFile copy("Gr\xC3\xB6\xC3\x9F" "e \xE6\x96\x87\xE6\x9B\xB8.pdf", readFile(sampleFile("mixed.pdf")));
    EXPECT_EQ(loadFile(copy.path()).pageSizes.size(), 4u);
}

TEST(StandinMemory, ADocumentInMemoryReadsAsTheSameFileDoes) {
    for (const char* file : {"mixed.pdf", "rotated.pdf", "print-forbidden.pdf"}) {
        const LoadOutcome fromFile = loadFile(sampleFile(file));
        std::string bytes = readFile(sampleFile(file));
        Document document(fpdf().loadMemDocument(bytes.data(), static_cast<int>(bytes.size()), nullptr));
        ASSERT_TRUE(document) << file << ": error " << fpdf().getLastError();
        EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_SUCCESS));
        // What it read does not depend on the bytes staying the same.
        bytes.assign(bytes.size(), 'x');
        ASSERT_EQ(fpdf().getPageCount(document.get()), static_cast<int>(fromFile.pageSizes.size())) << file;
        for (int i = 0; i < fpdf().getPageCount(document.get()); ++i) {
            Page page(fpdf().loadPage(document.get(), i));
            ASSERT_TRUE(page);
            EXPECT_EQ(fpdf().getPageWidth(page.get()), fromFile.pageSizes[i].first) << file << " page " << i;
            EXPECT_EQ(fpdf().getPageHeight(page.get()), fromFile.pageSizes[i].second) << file << " page " << i;
        }
    }
}

TEST(StandinMemory, BytesThatAreNoDocumentFailWithTheCodesAFileWould) {
    const std::string notPdf = readFile(sampleFile("not-a-pdf.pdf"));
    EXPECT_EQ(fpdf().loadMemDocument(notPdf.data(), static_cast<int>(notPdf.size()), nullptr), nullptr);
    EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_FORMAT));
    const std::string encrypted = readFile(sampleFile("encrypted.pdf"));
    EXPECT_EQ(fpdf().loadMemDocument(encrypted.data(), static_cast<int>(encrypted.size()), nullptr), nullptr);
    EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_PASSWORD));
    EXPECT_EQ(fpdf().loadMemDocument(nullptr, 10, nullptr), nullptr);
    EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_FILE));
    EXPECT_EQ(fpdf().loadMemDocument(notPdf.data(), -1, nullptr), nullptr);
    EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_FILE));
}

TEST(StandinHandles, PagesOutsideTheDocumentAndNullHandlesGiveNothing) {
    Document document(fpdf().loadDocument(sampleFile("mixed.pdf").c_str(), nullptr));
    ASSERT_TRUE(document);
    EXPECT_EQ(fpdf().loadPage(document.get(), -1), nullptr);
    EXPECT_EQ(fpdf().loadPage(document.get(), 4), nullptr);
    EXPECT_EQ(fpdf().loadPage(nullptr, 0), nullptr);
    EXPECT_EQ(fpdf().getPageCount(nullptr), 0);
    EXPECT_EQ(fpdf().getPageWidth(nullptr), 0.0);
    EXPECT_EQ(fpdf().getPageHeight(nullptr), 0.0);
    fpdf().closePage(nullptr);
    fpdf().closeDocument(nullptr);
}

TEST(StandinLifecycle, LoadsDocumentsOnlyWhileTheLibraryIsInitialised) {
    fpdf().destroyLibrary();
    EXPECT_EQ(fpdf().loadDocument(sampleFile("mixed.pdf").c_str(), nullptr), nullptr);
    EXPECT_EQ(fpdf().getLastError(), unsigned(FPDF_ERR_UNKNOWN));
    fpdf().initLibrary(GetModuleHandleW(nullptr));
    Document document(fpdf().loadDocument(sampleFile("mixed.pdf").c_str(), nullptr));
    EXPECT_TRUE(document);
}

}  // namespace
}  // namespace standin_test
