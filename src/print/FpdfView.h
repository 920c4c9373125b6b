// The operations of the PDF rendering library that the print job uses.
// On Windows they are forwarded to fpdfview.dll, loaded at run time; on
// POSIX they are implemented on poppler and cairo (src/posix).
#pragma once

#include "plat/WinApi.h"

typedef struct FpdfDocument__* FPDF_DOCUMENT;
typedef struct FpdfPage__* FPDF_PAGE;
typedef const char* FPDF_STRING;

// Error codes of FPDF_GetLastError.
#define FPDF_ERR_SUCCESS 0
#define FPDF_ERR_UNKNOWN 1
#define FPDF_ERR_FILE 2
#define FPDF_ERR_FORMAT 3
#define FPDF_ERR_PASSWORD 4

void FPDF_InitLibrary(HINSTANCE instance);
void FPDF_DestroyLibrary();
FPDF_DOCUMENT FPDF_LoadDocument(FPDF_STRING fileName, FPDF_STRING password);
unsigned long FPDF_GetLastError();
int FPDF_GetPageCount(FPDF_DOCUMENT document);
FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int pageIndex);
double FPDF_GetPageWidth(FPDF_PAGE page);
double FPDF_GetPageHeight(FPDF_PAGE page);
void FPDF_RenderPage(HDC dc, FPDF_PAGE page, int startX, int startY, int sizeX, int sizeY,
                     int rotate, int flags);
void FPDF_ClosePage(FPDF_PAGE page);
void FPDF_CloseDocument(FPDF_DOCUMENT document);
// The permission bits of the document's encryption (bit 3, value 4: it may
// be printed); 0xFFFFFFFF for a document without encryption.
unsigned long FPDF_GetDocPermissions(FPDF_DOCUMENT document);
