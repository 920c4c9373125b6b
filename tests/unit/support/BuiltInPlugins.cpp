// The unit tests carry the plugins' code themselves; the POSIX side uses it
// instead of loading the plugin files.
#include "posix/drivers/cups/CupsPlugin.h"
#include "posix/drawing/DrawingPlugin.h"

namespace {

struct UseBuiltInPlugins {
    UseBuiltInPlugins() {
        posix::useCupsPlugin(quorlexCupsPlugin());
        posix::drawing::useDrawingPlugin(quorlexDrawingPlugin());
    }
} useBuiltInPlugins;

}  // namespace
