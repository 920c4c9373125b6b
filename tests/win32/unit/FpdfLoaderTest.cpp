// Loading the PDF engine: fpdfview.dll, or without it PDFium's pdfium.dll,
// is taken from the program's own folder only, a missing file or a missing
// operation fails with a message that names the file (both, when neither is
// there), and a print job without its engine fails before it touches the
// printer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

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

// A folder of its own for one test, with empty files of the given names;
// removed with everything in it when the test ends.
class EngineFolder {
public:
    explicit EngineFolder(std::initializer_list<const wchar_t*> files) {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::wstring(temp) + L"quorlex-engine-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++made_) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
        for (const wchar_t* file : files) {
            names_.push_back(path_ + file);
            HANDLE made = CreateFileW(names_.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (made != INVALID_HANDLE_VALUE) CloseHandle(made);
        }
    }
    ~EngineFolder() {
        for (const std::wstring& name : names_) DeleteFileW(name.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    EngineFolder(const EngineFolder&) = delete;
    EngineFolder& operator=(const EngineFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::string file(const char* name) const { return narrow(path_) + name; }

private:
    static inline int made_ = 0;
    std::wstring path_;
    std::vector<std::wstring> names_;
};

TEST(FpdfEngineFile, IsFpdfviewDllInTheProgramsOwnFolder) {
    EXPECT_EQ(narrow(win32::programFolder()), programFolder());
    const EngineFolder folder({L"fpdfview.dll"});
    EXPECT_EQ(narrow(win32::engineIn(folder.path())), folder.file("fpdfview.dll"));
}

TEST(FpdfEngineFile, PdfiumDllIsTakenOnlyWhereThereIsNoFpdfviewDll) {
    const EngineFolder pdfiumAlone({L"pdfium.dll"});
    EXPECT_EQ(narrow(win32::engineIn(pdfiumAlone.path())), pdfiumAlone.file("pdfium.dll"));
    const EngineFolder both({L"pdfium.dll", L"fpdfview.dll"});
    EXPECT_EQ(narrow(win32::engineIn(both.path())), both.file("fpdfview.dll"));
}

TEST(FpdfEngineFile, WithNeitherFileTheFailureNamesBoth) {
    // A folder by the engine's name is not an engine.
    const EngineFolder folder({});
    CreateDirectoryW((folder.path() + L"fpdfview.dll").c_str(), nullptr);
    try {
        win32::engineIn(folder.path());
        FAIL() << "found an engine in a folder without one";
    } catch (const plat::SystemException& failure) {
        EXPECT_EQ(failure.errorCode, static_cast<uint32_t>(ERROR_MOD_NOT_FOUND));
        EXPECT_THAT(failure.message, StartsWith("Unable to load the PDF engine " + folder.file("fpdfview.dll") +
                                                " or " + folder.file("pdfium.dll") + ": "));
        EXPECT_THAT(failure.message, EndsWith(" (126)"));
    }
    RemoveDirectoryW((folder.path() + L"fpdfview.dll").c_str());
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
                    StartsWith("Unable to load the PDF engine " + programFolder() + "fpdfview.dll or " +
                               programFolder() + "pdfium.dll: "));
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
        // The optional reading from memory, found where the engine has it.
        ASSERT_NE(fpdf.loadMemDocument, nullptr);
        const std::string bytes = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                                  "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
                                  "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] >> endobj\n"
                                  "trailer << /Root 1 0 R >>\n%%EOF\n";
        FPDF_DOCUMENT inMemory = fpdf.loadMemDocument(bytes.data(), static_cast<int>(bytes.size()), nullptr);
        ASSERT_NE(inMemory, nullptr);
        EXPECT_EQ(fpdf.getPageCount(inMemory), 1);
        fpdf.closeDocument(inMemory);
        EXPECT_EQ(fpdf.loadDocument(QUORLEX_TEST_DATA "/not-a-pdf.pdf", nullptr), nullptr);
        EXPECT_EQ(fpdf.getLastError(), static_cast<unsigned long>(FPDF_ERR_FORMAT));
        fpdf.destroyLibrary();
        EXPECT_TRUE(isLoaded(path));
    }
    EXPECT_FALSE(isLoaded(path));
}
#endif

}  // namespace
