// The spooler and device-context functions on POSIX, as the print job
// calls them: printer names resolved to drivers, PRINTER_INFO_2W and its
// settings in one block, the paper capabilities, and a whole GDI job.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "posix/drivers/file/FilePrinter.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/winapi/Utf.h"
#include "unit/support/MemoryPrinter.h"

namespace fs = std::filesystem;

namespace {

std::u16string wide(const std::string& text) { return posix::toUtf16(text); }


struct Printer {
    explicit Printer(const std::string& name) {
        std::u16string text = wide(name);
        opened = OpenPrinterW(text.data(), &handle, nullptr);
    }
    ~Printer() {
        if (opened) ClosePrinter(handle);
    }
    BOOL opened = FALSE;
    HANDLE handle = nullptr;
};

std::vector<BYTE> printerInfo(HANDLE handle) {
    DWORD needed = 0;
    GetPrinterW(handle, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    if (!GetPrinterW(handle, 2, block.data(), needed, &needed)) block.clear();
    return block;
}

}  // namespace

// ------------------------------------------------------------ name lookup

TEST(PrinterNames, UnknownPrintersFailWithTheDriversError) {
    std::u16string name = u"quorlex-no-such-printer";
    HANDLE handle = nullptr;
    SetLastError(0);
    EXPECT_FALSE(OpenPrinterW(name.data(), &handle, nullptr));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERS, nullptr, nullptr), -1);
    SetLastError(0);
    EXPECT_EQ(CreateDCW(u"", name.c_str(), nullptr, nullptr), nullptr);
    EXPECT_NE(GetLastError(), 0u);
}

TEST(PrinterNames, RegisteredPrefixesWinByLengthAndCanBeWithdrawn) {
    testing_support::MemoryPrinterRegistration general("mem:");
    testing_support::MemoryPrinterRegistration special("mem:a4only:");
    special.papers.resize(1);

    EXPECT_EQ(DeviceCapabilitiesW(u"mem:x", nullptr, DC_PAPERS, nullptr, nullptr), 3);
    EXPECT_EQ(DeviceCapabilitiesW(u"mem:a4only:x", nullptr, DC_PAPERS, nullptr, nullptr), 1);
    {
        testing_support::MemoryPrinterRegistration replacing("mem:");
        replacing.papers.resize(2);
        EXPECT_EQ(DeviceCapabilitiesW(u"mem:x", nullptr, DC_PAPERS, nullptr, nullptr), 2)
            << "a later registration of a prefix replaces the earlier";
    }
    EXPECT_EQ(DeviceCapabilitiesW(u"mem:x", nullptr, DC_PAPERS, nullptr, nullptr), -1)
        << "withdrawn";
}

// ------------------------------------------------------------ GetPrinterW

TEST(GetPrinter, ASizeQueryGivesTheSizeAndInsufficientBuffer) {
    testing_support::MemoryPrinterRegistration mem;
    Printer printer("mem:query");
    ASSERT_TRUE(printer.opened);
    DWORD needed = 0;
    SetLastError(0);
    EXPECT_FALSE(GetPrinterW(printer.handle, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_GE(needed, sizeof(PRINTER_INFO_2W) + sizeof(DEVMODEW));

    std::vector<BYTE> small(needed - 1);
    DWORD again = 0;
    EXPECT_FALSE(GetPrinterW(printer.handle, 2, small.data(), needed - 1, &again));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(again, needed);

    EXPECT_FALSE(GetPrinterW(printer.handle, 1, nullptr, 0, &again)) << "only level 2";
}

TEST(GetPrinter, OneBlockHoldsTheRecordItsStringsAndTheDefaultSettings) {
    testing_support::MemoryPrinterRegistration mem;
    mem.defaults = {1, DMORIENT_LANDSCAPE, 600, 300};  // Letter
    Printer printer("mem:a printer with a name longer than thirty-two units");
    ASSERT_TRUE(printer.opened);
    std::vector<BYTE> block = printerInfo(printer.handle);
    ASSERT_FALSE(block.empty());
    const BYTE* begin = block.data();
    const BYTE* end = begin + block.size();
    auto inside = [&](const void* p) { return p >= begin && p < end; };

    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(begin);
    ASSERT_TRUE(inside(info->pPrinterName));
    EXPECT_EQ(std::u16string(info->pPrinterName),
              u"mem:a printer with a name longer than thirty-two units");
    ASSERT_TRUE(inside(info->pPortName));
    EXPECT_EQ(std::u16string(info->pPortName), u"memory");
    ASSERT_TRUE(inside(info->pDriverName));
    EXPECT_EQ(std::u16string(info->pDriverName), u"Memory test driver");

    const DEVMODEW* settings = info->pDevMode;
    ASSERT_TRUE(inside(settings));
    ASSERT_LE(reinterpret_cast<const BYTE*>(settings + 1), end);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(settings) % alignof(DEVMODEW), 0u);
    EXPECT_EQ(settings->dmSize, sizeof(DEVMODEW));
    EXPECT_EQ(settings->dmFields, static_cast<DWORD>(DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH |
                                                     DM_PAPERWIDTH | DM_FORMNAME | DM_PRINTQUALITY |
                                                     DM_YRESOLUTION));
    EXPECT_EQ(settings->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(settings->dmPaperSize, DMPAPER_LETTER);
    EXPECT_EQ(settings->dmPaperWidth, 2159);
    EXPECT_EQ(settings->dmPaperLength, 2794);
    EXPECT_EQ(std::u16string(settings->dmFormName), u"Letter");
    EXPECT_EQ(settings->dmPrintQuality, 600);
    EXPECT_EQ(settings->dmYResolution, 300);
    EXPECT_EQ(std::u16string(settings->dmDeviceName),
              std::u16string(u"mem:a printer with a name longer than thirty-two units").substr(0, 31))
        << "cut to 31 units and terminated";
}

TEST(GetPrinter, APrinterNamingNoDefaultPaperLeavesThePaperFieldsOut) {
    testing_support::MemoryPrinterRegistration mem;
    mem.defaults.paperIndex = -1;
    Printer printer("mem:nopaper");
    std::vector<BYTE> block = printerInfo(printer.handle);
    ASSERT_FALSE(block.empty());
    const DEVMODEW* settings = reinterpret_cast<const PRINTER_INFO_2W*>(block.data())->pDevMode;
    EXPECT_EQ(settings->dmFields & (DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH), 0u);
    EXPECT_EQ(settings->dmPaperLength, 0);
}

TEST(GetPrinter, ClosedOrForgedHandlesAreRefusedNotFollowed) {
    testing_support::MemoryPrinterRegistration mem;
    std::u16string name = u"mem:closing";
    HANDLE handle = nullptr;
    ASSERT_TRUE(OpenPrinterW(name.data(), &handle, nullptr));
    EXPECT_TRUE(ClosePrinter(handle));
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterW(handle, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(ClosePrinter(handle));
    EXPECT_FALSE(ClosePrinter(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(OpenPrinterW(nullptr, &handle, nullptr));
}

// ------------------------------------------------------ paper capabilities

TEST(DeviceCapabilities, PaperIdsNamesAndSizesLineUpInTheDriversOrder) {
    testing_support::MemoryPrinterRegistration mem;
    mem.papers.push_back({300, u"A paper whose name is far longer than sixty-four units of UTF-16 text",
                          10478, 24130, 0, 0, 0, 0});
    const char16_t* name = u"mem:caps";
    ASSERT_EQ(DeviceCapabilitiesW(name, nullptr, DC_PAPERS, nullptr, nullptr), 4);

    std::vector<WORD> ids(4);
    std::vector<WCHAR> names(4 * 64, u'x');
    std::vector<POINT> sizes(4);
    EXPECT_EQ(DeviceCapabilitiesW(name, nullptr, DC_PAPERS, reinterpret_cast<LPWSTR>(ids.data()), nullptr), 4);
    EXPECT_EQ(DeviceCapabilitiesW(name, nullptr, DC_PAPERNAMES, names.data(), nullptr), 4);
    EXPECT_EQ(DeviceCapabilitiesW(name, nullptr, DC_PAPERSIZE, reinterpret_cast<LPWSTR>(sizes.data()), nullptr), 4);

    EXPECT_EQ(ids, (std::vector<WORD>{DMPAPER_A4, DMPAPER_LETTER, DMPAPER_A5, 300}));
    EXPECT_EQ(std::u16string(&names[0]), u"A4");
    EXPECT_EQ(names[2], u'\0') << "names are padded with zeros";
    EXPECT_EQ(names[63], u'\0');
    EXPECT_EQ(std::u16string(&names[64]), u"Letter");
    EXPECT_EQ(std::u16string(&names[3 * 64]).size(), 63u) << "a long name stays terminated";
    EXPECT_EQ(sizes[0].x, 2100);
    EXPECT_EQ(sizes[0].y, 2970);
    EXPECT_EQ(sizes[1].x, 2159);
    EXPECT_EQ(sizes[1].y, 2794);
    EXPECT_EQ(sizes[3].x, 1047) << "hundredths / 10, truncated";
    EXPECT_EQ(sizes[3].y, 2413);
    EXPECT_EQ(DeviceCapabilitiesW(name, nullptr, 999, nullptr, nullptr), -1) << "unknown capability";
}

TEST(DeviceCapabilities, NamesAreNotCutInsideASurrogatePair) {
    testing_support::MemoryPrinterRegistration mem;
    std::u16string name(62, u'a');
    name += u"\U0001F4C4tail";  // the pair would occupy units 62 and 63
    mem.papers = {{500, name, 10000, 10000, 0, 0, 0, 0}};
    std::vector<WCHAR> names(64, u'x');
    ASSERT_EQ(DeviceCapabilitiesW(u"mem:pair", nullptr, DC_PAPERNAMES, names.data(), nullptr), 1);
    EXPECT_EQ(std::u16string(names.data()), std::u16string(62, u'a'));
}

// ---------------------------------------------------------------- GDI job

TEST(GdiJob, AFilePrinterJobWritesOnePdfWithAPaperPerPage) {
    testing_support::TempFolder folder;
    const std::string out = folder.path("job.pdf");
    const std::u16string name = wide("file:" + out);

    DEVMODEW settings{};
    settings.dmSize = sizeof settings;
    settings.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
    settings.dmPaperSize = DMPAPER_A5;
    settings.dmOrientation = DMORIENT_PORTRAIT;
    HDC dc = CreateDCW(u"", name.c_str(), nullptr, &settings);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 3496);  // 148 mm at 600 dpi

    DOCINFOW info{20, u"Job title", nullptr, nullptr, 0};
    EXPECT_GT(StartDocW(dc, &info), 0);
    EXPECT_GT(StartPage(dc), 0);
    EXPECT_GT(EndPage(dc), 0);
    settings.dmPaperSize = DMPAPER_ENV_DL;
    EXPECT_EQ(ResetDCW(dc, &settings), dc);
    EXPECT_GT(StartPage(dc), 0);
    EXPECT_GT(EndPage(dc), 0);
    EXPECT_FALSE(fs::exists(out)) << "nothing appears before the document ends";
    EXPECT_GT(EndDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));

    const auto pages = testing_support::pageSizes(testing_support::readWholeFile(out));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NEAR(pages[0].width, 419.53, 0.01);
    EXPECT_NEAR(pages[1].width, 311.81, 0.01);
    EXPECT_NEAR(pages[1].height, 623.62, 0.01);
}

TEST(GdiJob, DeletingAContextBeforeEndDocLeavesNoFile) {
    testing_support::TempFolder folder;
    const std::u16string name = wide("file:" + folder.path("job.pdf"));
    HDC dc = CreateDCW(u"", name.c_str(), nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    DOCINFOW info{20, u"Unfinished", nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(dc, &info), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(folder.empty());

    dc = CreateDCW(u"", name.c_str(), nullptr, nullptr);
    ASSERT_GT(StartDocW(dc, &info), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_GT(AbortDoc(dc), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(folder.empty());
}

TEST(GdiJob, StaleContextHandlesAreRefusedNotFollowed) {
    testing_support::MemoryPrinterRegistration mem;
    HDC dc = CreateDCW(u"", u"mem:stale", nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 300) << "the printer's defaults without settings";
    EXPECT_EQ(ResetDCW(dc, nullptr), nullptr);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_LE(StartDocW(dc, nullptr), 0);
    EXPECT_LE(StartPage(dc), 0);
    EXPECT_LE(EndPage(dc), 0);
    EXPECT_LE(EndDoc(dc), 0);
    EXPECT_LE(AbortDoc(dc), 0);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 0);
    EXPECT_EQ(ResetDCW(dc, nullptr), nullptr);
    EXPECT_EQ(mem.log->jobsStarted, 0);
}
