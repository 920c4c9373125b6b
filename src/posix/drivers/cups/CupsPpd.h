// The driver file (PPD) of a CUPS queue that has one, and what it asks of
// a job: the copies the document must hold itself (*cupsManualCopies), the
// job control language (JCL) that frames a PDF sent to the printer as it is,
// with the driver's marked options in it, and which controls such a queue
// can carry at all. A driverless queue has none of this.
#pragma once

#include <cups/cups.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "posix/spooler/PrinterDriver.h"

typedef struct ppd_file_s ppd_file_t;

namespace posix {

// The choices of the driver's own options a job asks for; empty for none.
struct DriverChoices {
    std::string sides;         // the IPP keyword ("two-sided-long-edge")
    std::string inputSlot;     // an InputSlot choice ("Tray2")
    std::string colorModel;    // a ColorModel choice ("Gray")
};

// What CUPS makes of the laid out PDF for the driver.
enum class DriverChain {
    PdfAsItIs,    // the printer takes the PDF as it is (a PDF printer)
    Pdf,          // a driver program takes the PDF itself (foomatic-rip)
    Raster,       // CUPS rasterises it (gstoraster) for a raster driver
    PostScript,   // CUPS makes PostScript of it (pdftops) for a PostScript printer or driver
};

class CupsPpd {
public:
    // The PPD the scheduler holds for the queue; null for a queue without
    // one, and null with why set when it has one that cannot be had.
    static std::unique_ptr<CupsPpd> fetch(http_t* http, const std::string& queue, std::string& why);
    // The PPD in the file (for tests); null when it cannot be read.
    static std::unique_ptr<CupsPpd> open(const std::string& path);

    ~CupsPpd();
    CupsPpd(const CupsPpd&) = delete;
    CupsPpd& operator=(const CupsPpd&) = delete;

    // The printer makes no copies: the document must hold them.
    bool manualCopies() const;
    // The scheduler passes a laid out PDF to the printer as it is, with no
    // filter that would apply the driver's options.
    bool passesPdfThrough() const;
    // The driver frames a PDF in job control language (it names the switch
    // to the PDF interpreter).
    bool framesPdf() const;
    DriverChain chain() const;
    // The driver's own program ("rastertohp"), or empty for a PostScript
    // printer that needs none.
    std::string driverProgram() const;
    // The driver puts every page of a job on the job's one paper (its
    // PageSize), whatever the size of the page: hpcups, Gutenprint and
    // the Foomatic drivers do.
    bool takesOnePaperPerJob() const;
    // The PageSize choice of a paper of that size (hundredths of a
    // millimetre): the driver's own size within half a millimetre, else a
    // custom size where the driver takes them; empty when it has neither.
    std::string pageSizeFor(int32_t width, int32_t length) const;

    // Whether the printer is told two-sided printing, the tray or the colour
    // mode in the frame (the option is a JCL option with such a choice).
    bool framesTwoSided() const;
    // The InputSlot choice of a tray the scheduler lists by its keyword
    // and shown name; empty when there is none.
    std::string inputSlotFor(const std::string& keyword, const std::u16string& shownName) const;
    // The InputSlot choices, in the driver's order: the order in which the
    // scheduler lists the trays it makes of them.
    std::vector<std::string> inputSlots() const;
    bool framesInputSlot(const std::string& choice) const;
    // The ColorModel choice for colour or monochrome; empty when the driver
    // has none.
    std::string colorModelFor(bool monochrome) const;
    bool framesColorModel(const std::string& choice) const;

    // The frame of a job: the driver's defaults, the queue's own options,
    // then the job's choices are marked, and the JCL written before and
    // after the document. Empty when the driver frames nothing; throws
    // std::bad_alloc when no memory can be had for it.
    std::string frameStart(const cups_dest_t* dest, const DriverChoices& choices, int jobId,
                           const std::string& user, const std::string& title);
    std::string frameEnd();

private:
    explicit CupsPpd(ppd_file_t* ppd);
    ppd_file_t* ppd_;
};

}  // namespace posix
