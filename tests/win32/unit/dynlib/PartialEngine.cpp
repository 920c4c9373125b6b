// A PDF engine for the loader tests that exports every operation but one
// (FPDF_RenderPage), so that loading it must fail and name what is missing.
extern "C" {
__declspec(dllexport) void FPDF_InitLibrary(void*) {}
__declspec(dllexport) void FPDF_DestroyLibrary() {}
__declspec(dllexport) void* FPDF_LoadDocument(const char*, const char*) { return nullptr; }
__declspec(dllexport) unsigned long FPDF_GetLastError() { return 2; }
__declspec(dllexport) int FPDF_GetPageCount(void*) { return 0; }
__declspec(dllexport) void* FPDF_LoadPage(void*, int) { return nullptr; }
__declspec(dllexport) double FPDF_GetPageWidth(void*) { return 0.0; }
__declspec(dllexport) double FPDF_GetPageHeight(void*) { return 0.0; }
__declspec(dllexport) void FPDF_ClosePage(void*) {}
__declspec(dllexport) void FPDF_CloseDocument(void*) {}
}
