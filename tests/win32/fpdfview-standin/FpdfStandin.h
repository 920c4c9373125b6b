// Test stand-in for fpdfview.dll, not the real PDF engine and never shipped.
// It reads the page tree of simple PDF files (page count, page sizes) and
// draws a numbered placeholder for each page, so that the Windows build's
// spooler and GDI path can be exercised without the closed engine.
// The functions are exported under their plain names (fpdfview.def).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "FpdfErrors.h"

typedef struct FpdfDocument__* FPDF_DOCUMENT;
typedef struct FpdfPage__* FPDF_PAGE;

extern "C" {

void FPDF_InitLibrary(void* instance);
void FPDF_DestroyLibrary();
// fileName is UTF-8. The password is not used: an encrypted file loads
// only when the empty user password opens it (standard security handler,
// revisions 2 to 4), else it fails with FPDF_ERR_PASSWORD.
FPDF_DOCUMENT FPDF_LoadDocument(const char* fileName, const char* password);
// The same from a whole PDF file in memory, read at once: the stand-in
// keeps nothing of the bytes (the real engine reads them for as long as
// the document is open, so callers keep them until they close it).
FPDF_DOCUMENT FPDF_LoadMemDocument(const void* data, int size, const char* password);
unsigned long FPDF_GetLastError();
int FPDF_GetPageCount(FPDF_DOCUMENT document);
// The document's /P when it is encrypted, 0xFFFFFFFF when it is not.
unsigned long FPDF_GetDocPermissions(FPDF_DOCUMENT document);
FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex);
double FPDF_GetPageWidth(FPDF_PAGE page);
double FPDF_GetPageHeight(FPDF_PAGE page);
// Draws a frame, its diagonals and "Page N" inside the rectangle (device
// units); rotate turns the text: 1 a quarter turn clockwise, 2 upside
// down, 3 a quarter turn counter-clockwise. flags changes nothing drawn; it
// is recorded for tests (QUORLEX_STANDIN_RENDERS, README.md).
void FPDF_RenderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY, int rotate,
                     int flags);
void FPDF_ClosePage(FPDF_PAGE page);
void FPDF_CloseDocument(FPDF_DOCUMENT document);

}  // extern "C"
