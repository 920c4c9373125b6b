// The PDF engine of the Windows build (fpdfview.dll, or PDFium's own
// pdfium.dll): loaded at run time from the program's own folder, with every
// operation the print job uses resolved at once, so that a missing or
// incomplete engine fails the run before anything is printed instead of
// part-way through it.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "win32/InstalledTable.h"
#include "win32/printing/FpdfView.h"

namespace win32 {

// The operations as the DLL exports them (x64 has one calling convention).
struct FpdfOperations {
    void (*initLibrary)(void* instance);
    void (*destroyLibrary)();
    FPDF_DOCUMENT (*loadDocument)(FPDF_STRING fileName, FPDF_STRING password);
    // Optional: null for an engine that reads documents from files only.
    // The bytes must stay until the document is closed.
    FPDF_DOCUMENT (*loadMemDocument)(const void* data, int size, FPDF_STRING password);
    unsigned long (*getLastError)();
    int (*getPageCount)(FPDF_DOCUMENT document);
    // Optional: null for an engine without it, whose documents are then
    // taken as allowing everything.
    unsigned long (*getDocPermissions)(FPDF_DOCUMENT document);
    FPDF_PAGE (*loadPage)(FPDF_DOCUMENT document, int pageIndex);
    double (*getPageWidth)(FPDF_PAGE page);
    double (*getPageHeight)(FPDF_PAGE page);
    void (*renderPage)(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                       int rotate, int flags);
    void (*closePage)(FPDF_PAGE page);
    void (*closeDocument)(FPDF_DOCUMENT document);
};

// One loaded engine file; the library is released with the object.
class FpdfLibrary {
public:
    // Throws plat::SystemException when the file cannot be loaded and
    // plat::Exception when it lacks one of the operations it must have; both
    // name the file.
    explicit FpdfLibrary(const std::wstring& path);

    const FpdfOperations& operations() const { return operations_; }

private:
    struct ModuleFreer {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer> module_;
    FpdfOperations operations_{};
};

// Operations that take the place of the engine file while the object lives
// (tests): FPDF_InitLibrary then loads no file and every FPDF_ function
// calls these. The table is not copied: it must outlive this object.
class InstalledFpdfOperations : public InstalledTable<FpdfOperations> {
public:
    explicit InstalledFpdfOperations(const FpdfOperations& operations);
};

// The folder of the running program, with its separator at the end.
std::wstring programFolder();
// The engine file in folder: fpdfview.dll, or where there is none
// pdfium.dll (the name of PDFium's own builds). Throws plat::SystemException
// naming both when neither is there.
std::wstring engineIn(const std::wstring& folder);
// The engine file in the folder of the running program (not a search path,
// so no other copy of the engine is picked up by accident).
std::wstring enginePath();

}  // namespace win32
