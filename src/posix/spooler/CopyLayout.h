// The order in which a document that holds its copies itself puts out its
// pages: collated, each page as it comes and the whole document again at
// the end; uncollated, each page its copies at once. Printed on two sides,
// each copy starts on a sheet of its own (a copy of an odd number of pages
// ends with a blank back) and uncollated copies repeat a sheet with both
// its sides. Pages are whatever the document keeps of them.
#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "posix/spooler/DriverSettings.h"

namespace posix {

template <typename Page>
class CopyLayout {
public:
    // Puts a page out; blank: a blank page of the same size instead.
    using Emit = std::function<void(const Page& page, bool blank)>;

    // One copy puts every page out as it comes.
    CopyLayout(const DocumentCopies& copies, Emit emit) : copies_(copies), emit_(std::move(emit)) {
        if (copies_.copies < 1) copies_.copies = 1;
    }

    void add(Page page) {
        if (copies_.copies == 1) {
            emit_(page, false);
        } else if (copies_.collated) {
            emit_(page, false);
            kept_.push_back(std::move(page));
        } else if (!copies_.twoSided) {
            for (int copy = 0; copy < copies_.copies; ++copy) emit_(page, false);
        } else if (!front_) {
            front_ = std::move(page);
        } else {
            for (int copy = 0; copy < copies_.copies; ++copy) {
                emit_(*front_, false);
                emit_(page, false);
            }
            front_.reset();
        }
    }

    void finish() {
        if (front_) {
            for (int copy = 0; copy < copies_.copies; ++copy) {
                emit_(*front_, false);
                emit_(*front_, true);
            }
            front_.reset();
        }
        if (kept_.empty()) return;
        const bool pad = copies_.twoSided && kept_.size() % 2 == 1;
        for (int copy = 0; copy < copies_.copies; ++copy) {
            if (copy > 0)
                for (const Page& page : kept_) emit_(page, false);
            if (pad) emit_(kept_.back(), true);
        }
        kept_.clear();
    }

private:
    DocumentCopies copies_;
    Emit emit_;
    std::vector<Page> kept_;          // collated: the pages of the first copy
    std::optional<Page> front_;       // uncollated on two sides: a front awaiting its back
};

}  // namespace posix
