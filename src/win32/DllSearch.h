// Where the DLLs the program loads at run time look for their own DLLs.
#pragma once

namespace win32 {

// From now on a DLL loaded by name is looked for in the program's folder
// and the system's only, never in the current folder or along PATH, so that
// nothing planted where the program is started from runs inside it (the PDF
// engine's own dependencies included). A system without the call (Windows 7
// before its update) keeps its classic order; false then.
bool limitDllSearchToSafeFolders();

}  // namespace win32
