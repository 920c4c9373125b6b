// Test stand-in for fpdfview.dll, not the real PDF engine: the error codes
// of FPDF_GetLastError, the same values the real engine uses.
#pragma once

#define FPDF_ERR_SUCCESS 0
#define FPDF_ERR_UNKNOWN 1
#define FPDF_ERR_FILE 2      // cannot be opened or read
#define FPDF_ERR_FORMAT 3    // not a PDF file this stand-in can follow
#define FPDF_ERR_PASSWORD 4  // encrypted
