// Loading fpdfview.dll: it is taken from the program's own folder only, a
// missing file or a missing operation fails with a message that names the
// file, and a print job without its engine fails before it touches the
// printer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "win32/printing/FpdfView.h"
#include "print/PrintJob.h"
#include "win32/FpdfLibrary.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::wstring widen(const char* text) {
    return plat::WideChars(text).get();
}

std::string narrow(const std::wstring& text) {
    return plat::NarrowChars(text.c_str()).get();
}

std::string programFolder() {
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    std::wstring folder(path, length);
    return narrow(folder.substr(0, folder.find_last_of(L"\\/") + 1));
}

bool isLoaded(const std::wstring& path) {
    return GetModuleHandleW(path.c_str()) != nullptr;
}

TEST(FpdfEngineFile, IsFpdfviewDllInTheProgramsOwnFolder) {
    EXPECT_EQ(narrow(win32::enginePath()), programFolder() + "fpdfview.dll");
}

TEST(FpdfEngineFile, AFileThatCannotBeLoadedIsNamedWithTheSystemsReason) {
    const std::string path = programFolder() + "no-such-folder\\fpdfview.dll";
    try {
        win32::FpdfLibrary engine(widen(path.c_str()));
        FAIL() << "loaded a file that does not exist";
    } catch (const plat::SystemException& failure) {
        EXPECT_EQ(failure.errorCode, static_cast<uint32_t>(ERROR_MOD_NOT_FOUND));
        EXPECT_THAT(failure.message, StartsWith("Unable to load the PDF engine " + path + ": "));
        EXPECT_THAT(failure.message, EndsWith(" (126)"));
    }
}

TEST(FpdfEngineFile, AnEngineLackingAnOperationIsRefusedByNameAndReleased) {
    const std::wstring path = widen(QUORLEX_PARTIAL_ENGINE);
    try {
        win32::FpdfLibrary engine(path);
        FAIL() << "accepted an engine without FPDF_RenderPage";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message,
                     ("The PDF engine " + narrow(path) + " lacks FPDF_RenderPage").c_str());
    }
    EXPECT_FALSE(isLoaded(path));
}

TEST(FpdfEngineFile, APrintJobWithoutItsEngineFailsBeforeThePrinterIsOpened) {
    // The test program's folder holds no engine; the printer does not exist
    // either, and its failure would be a different message.
    PrintJob job("no such printer");
    try {
        job.print(QUORLEX_TEST_DATA "/mixed.pdf", "title", false);
        FAIL() << "printed without an engine";
    } catch (const plat::Exception& failure) {
        EXPECT_THAT(failure.message,
                    StartsWith("Unable to load the PDF engine " + programFolder() + "fpdfview.dll: "));
    }
    // The operations stay harmless without an engine.
    EXPECT_EQ(FPDF_LoadDocument(QUORLEX_TEST_DATA "/mixed.pdf", nullptr), nullptr);
    EXPECT_EQ(FPDF_GetLastError(), static_cast<unsigned long>(FPDF_ERR_UNKNOWN));
    EXPECT_EQ(FPDF_GetPageCount(nullptr), 0);
    FPDF_DestroyLibrary();
}

#ifdef QUORLEX_STANDIN_ENGINE
TEST(FpdfEngineFile, EveryOperationOfACompleteEngineIsForwarded) {
    const std::wstring path = widen(QUORLEX_STANDIN_ENGINE);
    {
        win32::FpdfLibrary engine(path);
        const win32::FpdfOperations& fpdf = engine.operations();
        fpdf.initLibrary(nullptr);
        FPDF_DOCUMENT document = fpdf.loadDocument(QUORLEX_TEST_DATA "/mixed.pdf", nullptr);
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(fpdf.getPageCount(document), 4);
        FPDF_PAGE page = fpdf.loadPage(document, 1);
        ASSERT_NE(page, nullptr);
        EXPECT_NEAR(fpdf.getPageWidth(page), 841.89, 0.01);
        EXPECT_NEAR(fpdf.getPageHeight(page), 595.28, 0.01);
        fpdf.closePage(page);
        fpdf.closeDocument(document);
        EXPECT_EQ(fpdf.loadDocument(QUORLEX_TEST_DATA "/not-a-pdf.pdf", nullptr), nullptr);
        EXPECT_EQ(fpdf.getLastError(), static_cast<unsigned long>(FPDF_ERR_FORMAT));
        fpdf.destroyLibrary();
        EXPECT_TRUE(isLoaded(path));
    }
    EXPECT_FALSE(isLoaded(path));
}
#endif

}  // namespace
