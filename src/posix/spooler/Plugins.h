// Plugins: the parts of the POSIX side that need large libraries (poppler
// and cairo to draw pages, CUPS for its printers) are shared objects that a
// run loads only when it needs them, so that printing a document to a file
// by placing its pages starts and runs with qpdf alone.
#pragma once

namespace posix {

// The named entry of the plugin file "<plugin>.so", found next to the
// program (a build tree) or in the plugin folder the program was installed
// with. Null, with the reason as the last error and its text, when it
// cannot be loaded. A plugin, once loaded, stays for the whole run.
void* pluginEntry(const char* plugin, const char* entry);

}  // namespace posix
