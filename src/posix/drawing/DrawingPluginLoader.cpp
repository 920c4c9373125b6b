// The program's side of the drawing plugin.
#include "posix/drawing/DrawingPlugin.h"

#include "posix/spooler/Plugins.h"

namespace posix::drawing {

namespace {

DrawingPlugin* installed = nullptr;
bool tried = false;

}  // namespace

void useDrawingPlugin(DrawingPlugin* plugin) { installed = plugin; }

DrawingPlugin* drawingPlugin() {
    if (installed || tried) return installed;
    tried = true;
    using Entry = DrawingPlugin* (*)();
    if (auto entry = reinterpret_cast<Entry>(pluginEntry("quorlex-drawing", "quorlexDrawingPlugin")))
        installed = entry();
    return installed;
}

}  // namespace posix::drawing
