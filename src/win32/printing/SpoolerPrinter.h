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
#include "win32/printing/PrinterHandle.h"

namespace winprint {

// Writes the paper into the settings: id, form name (cut to 32 units),
// width and length. Orientation and dmFields stay as they are.
void applyPaper(DEVMODEW& settings, const PrinterPaper& paper);

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
    std::vector<PrinterPaper> papers() override;
    void loadSettings() override;
    PaperExtent settingsPaper() const override;
    int mostCopies() override;
    bool printsTwoSided() override;
    bool printsColour() override;
    std::vector<PrinterTray> trays() override;
    std::optional<CustomRange> customSizes() override;
    void applyControls(const JobControls& controls) override;
    void makePortrait() override;
    void selectPaper(const PrinterPaper& paper) override;
    void selectSize(PaperExtent size) override;
    std::unique_ptr<PrintDocument> createDocument(StepOutcome& outcome) override;
    JobLook lookAtJob(uint32_t jobId, const JobLook& last) override;

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
