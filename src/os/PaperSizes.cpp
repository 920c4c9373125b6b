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

void PaperSizeTable::load(Printer& printer) {
    clear();
    papers_ = printer.papers();
}

const PaperExtent* PaperSizeTable::size(int32_t index) const {
    checkIndex(index, count(), kSizeCheckLine);
    return &papers_[static_cast<size_t>(index)].size;
}

const std::u16string& PaperSizeTable::name(int32_t index) const {
    checkIndex(index, count(), kNameCheckLine);
    return papers_[static_cast<size_t>(index)].name;
}

uint16_t PaperSizeTable::id(int32_t index) const {
    checkIndex(index, count(), kIdCheckLine);
    return papers_[static_cast<size_t>(index)].id;
}

const PrinterPaper& PaperSizeTable::paper(int32_t index) const {
    checkIndex(index, count(), kIdCheckLine);
    return papers_[static_cast<size_t>(index)];
}
