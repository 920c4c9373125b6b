// The operations of the PDF rendering library that the Windows backend
// uses, forwarded to fpdfview.dll, loaded at run time.
#pragma once

#include "plat/WinApi.h"
#include "print/PdfSource.h"

typedef struct FpdfDocument__* FPDF_DOCUMENT;
typedef struct FpdfPage__* FPDF_PAGE;
typedef const char* FPDF_STRING;

// Error codes of FPDF_GetLastError.
#define FPDF_ERR_SUCCESS 0
#define FPDF_ERR_UNKNOWN 1
#define FPDF_ERR_FILE 2
#define FPDF_ERR_FORMAT 3
#define FPDF_ERR_PASSWORD 4

// Flags of FPDF_RenderPage: draw the annotations, and draw them as for
// printing (what a viewer prints, not what it shows on screen).
#define FPDF_ANNOT 0x01
#define FPDF_PRINTING 0x800


void FPDF_InitLibrary(HINSTANCE instance);
void FPDF_DestroyLibrary();
FPDF_DOCUMENT FPDF_LoadDocument(FPDF_STRING fileName, FPDF_STRING password);
// A whole PDF file in memory; the bytes must stay until the document is
// closed. Null from an engine without it (engineReadsMemory tells).
FPDF_DOCUMENT FPDF_LoadMemDocument(const void* data, int size, FPDF_STRING password);
unsigned long FPDF_GetLastError();
int FPDF_GetPageCount(FPDF_DOCUMENT document);
// The document's permission bits as its encryption grants them to the user;
// kAllPermissions for a document that is not encrypted.
unsigned long FPDF_GetDocPermissions(FPDF_DOCUMENT document);
FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex);
double FPDF_GetPageWidth(FPDF_PAGE page);
double FPDF_GetPageHeight(FPDF_PAGE page);
void FPDF_RenderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                     int rotate, int flags);
void FPDF_ClosePage(FPDF_PAGE page);
void FPDF_CloseDocument(FPDF_DOCUMENT document);

// Whether the engine in use has FPDF_LoadMemDocument.
bool engineReadsMemory();

// How the engine puts the page on its sheet, for the plan of a dry run:
// "placed" (as it is) or "drawn". Drawing engines always draw.
const char* pageWay(FPDF_PAGE page);
