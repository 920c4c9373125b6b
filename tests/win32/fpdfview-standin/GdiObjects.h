// Test stand-in for fpdfview.dll, not the real PDF engine: owners for the
// GDI objects it creates and for the device context state it changes.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <type_traits>

namespace standin {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// A pen, brush or font; it must no longer be selected into a DC when it dies.
template <typename Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;

// Everything set on the DC while this lives is undone when it dies,
// including the selection of objects, which may then be deleted.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), level_(SaveDC(dc)) {}
    ~SavedDcState() {
        if (level_ != 0) RestoreDC(dc_, level_);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

    explicit operator bool() const { return level_ != 0; }

private:
    HDC dc_;
    int level_;
};

}  // namespace standin
