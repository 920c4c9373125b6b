#include "os/PaperSizes.h"

#include "plat/Exception.h"

namespace {

// Where each accessor reports a bad index from; callers see these numbers in
// the message, so they stay fixed whatever this file looks like.
constexpr const char* kSource = "os/PaperSizes";
constexpr int32_t kSizeCheckLine = 59;
constexpr int32_t kNameCheckLine = 65;
constexpr int32_t kIdCheckLine = 71;

void checkIndex(int32_t index, int32_t num, int32_t line) {
    if (!((index < num) && (index >= 0)))
        throw plat::AssertionFail("(index < num) && (index >= 0)", kSource, line);
}

}  // namespace

void PaperSizeTable::load(const WCHAR* printerName) {
    clear();
    // No settings: the printer's defaults decide what it offers.
    const int reported = DeviceCapabilitiesW(printerName, nullptr, DC_PAPERS, nullptr, nullptr);
    // A failed query reports -1; that is no count, the table stays empty.
    if (reported <= 0) return;

    ids.reset(new WORD[reported]());
    names.reset(new PaperName[reported]());
    sizes.reset(new POINT[reported]());
    num = reported;

    // Each list must be the one counted: a printer whose papers changed
    // between the calls gives ids, names and sizes that do not belong
    // together, and the job would print on papers it does not have.
    const bool sameLists =
        DeviceCapabilitiesW(printerName, nullptr, DC_PAPERS, reinterpret_cast<LPWSTR>(ids.get()),
                            nullptr) == reported &&
        DeviceCapabilitiesW(printerName, nullptr, DC_PAPERNAMES,
                            reinterpret_cast<LPWSTR>(names.get()), nullptr) == reported &&
        DeviceCapabilitiesW(printerName, nullptr, DC_PAPERSIZE,
                            reinterpret_cast<LPWSTR>(sizes.get()), nullptr) == reported;
    if (!sameLists) {
        clear();
        const plat::NarrowChars name(printerName);
        throw plat::ExceptionFmt("The papers of printer %s changed while they were read", name.get());
    }
}

void PaperSizeTable::clear() {
    ids.reset();
    names.reset();
    sizes.reset();
    num = 0;
}

const POINT* PaperSizeTable::size(int32_t index) const {
    checkIndex(index, num, kSizeCheckLine);
    return &sizes.get()[index];
}

const WCHAR* PaperSizeTable::name(int32_t index) const {
    checkIndex(index, num, kNameCheckLine);
    return names.get()[index].text;
}

WORD PaperSizeTable::id(int32_t index) const {
    checkIndex(index, num, kIdCheckLine);
    return ids.get()[index];
}

void PaperSizeTable::applyTo(DEVMODEW& settings, int32_t index) const {
    settings.dmPaperSize = static_cast<SHORT>(id(index));

    // Copied like wcsncpy: up to the field's 32 units, zeros after the name's
    // end; a name of 32 units or more leaves the field unterminated.
    const WCHAR* paperName = name(index);
    bool ended = false;
    for (int i = 0; i < CCHFORMNAME; ++i) {
        if (!ended && paperName[i] == 0) ended = true;
        settings.dmFormName[i] = ended ? WCHAR(0) : paperName[i];
    }

    const POINT* paperSize = size(index);
    settings.dmPaperLength = static_cast<SHORT>(paperSize->y);
    settings.dmPaperWidth = static_cast<SHORT>(paperSize->x);
}
