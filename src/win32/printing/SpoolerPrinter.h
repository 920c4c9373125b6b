// The printer of the Windows backend: a spooler printer opened by name,
// its papers and trays as DeviceCapabilitiesW reports them, and the
// DEVMODEW of its PRINTER_INFO_2W record, which the job edits in place and
// the device context is made from.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plat/WinApi.h"
#include "print/Printer.h"
#include "win32/printing/DevModeEdits.h"
#include "win32/printing/PrinterHandle.h"

namespace winprint {

// The papers the printer's default settings offer (DC_PAPERS, DC_PAPERNAMES,
// DC_PAPERSIZE); none when it reports none. Throws plat::Exception when
// the lists change while they are read.
std::vector<PrinterPaper> printerPapers(const WCHAR* printerName);

// The default settings in the printer's record; throws plat::Exception
// when the record carries none, as there is nothing to print with then.
DEVMODEW* defaultSettingsOf(const PRINTER_INFO_2W& info, const char* printerName);

class SpoolerPrinter : public Printer {
public:
    // Opens the printer; throws plat::SystemException "Unable to open
    // Printer <name>" when the spooler cannot.
    explicit SpoolerPrinter(const char* name);

    std::string name() const override;
    std::vector<PrinterPaper> papers() override;           // printerPapers
    void loadSettings() override;                          // GetPrinterW, level 2
    PaperExtent settingsPaper() const override;            // dmPaperWidth, dmPaperLength

    // DeviceCapabilitiesW with the job's settings.
    int mostCopies() override;                             // DC_COPIES
    bool printsTwoSided() override;                        // DC_DUPLEX
    bool printsColour() override;                          // DC_COLORDEVICE
    std::vector<PrinterTray> trays() override;             // DC_BINS, DC_BINNAMES
    std::optional<CustomRange> customSizes() override;     // DC_MINEXTENT, DC_MAXEXTENT

    // Edits of the DEVMODEW in place.
    void applyControls(const JobControls& controls) override;
    void makePortrait() override;
    void selectPaper(const PrinterPaper& paper) override;
    void selectSize(PaperExtent size) override;

    // CreateDCW with the settings; the document is the engine's alike.
    std::unique_ptr<PrintDocument> createDocument(PdfDocument& pdf, StepOutcome& outcome) override;
    JobLook lookAtJob(uint32_t jobId, const JobLook& last) override;   // GetJobW, level 1

    const WCHAR* deviceName() const { return handle_.name(); }
    // The job's settings; null before loadSettings.
    DEVMODEW* settings() { return settings_; }

private:
    std::string utf8Name_;
    PrinterHandle handle_;
    DEVMODEW* settings_ = nullptr;   // inside the handle's record
    int capability(WORD which, LPWSTR output = nullptr) const;
};

}  // namespace winprint
