// What the drawing plugin (quorlex-drawing.so: poppler onto cairo) offers:
// documents whose pages it draws, which only the drawing helper opens (the
// program asks the helper, posix/confined), and the device context of a
// printer that takes raster. The plugin exports quorlexDrawingPlugin().
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "posix/spooler/JobSettings.h"

namespace posix {

class DeviceContext;
class PrinterDriver;
struct RasterFormat;

namespace drawing {

class DrawablePage {
public:
    virtual ~DrawablePage() = default;
    // The page as displayed (crop box, /Rotate), in points.
    virtual double width() const = 0;
    virtual double height() const = 0;
    // Why a value of the page's form does not reach its drawing (poppler
    // found no font for a character), or empty. Draws the page once to see.
    virtual std::string formValueLost() = 0;
    // The page drawn as printing shows it into width x height pixels
    // (ARGB32, premultiplied, rows of width * 4 bytes), turned by rotate
    // quarter turns clockwise; false when cairo cannot.
    virtual bool drawnAsPixels(int width, int height, int rotate, std::string& pixels) = 0;
};

class DrawableDocument {
public:
    virtual ~DrawableDocument() = default;
    virtual int pageCount() const = 0;
    // Null when the page cannot be read.
    virtual std::unique_ptr<DrawablePage> page(int index) = 0;
    // The permission bits its encryption grants the user.
    virtual unsigned long permissions() const = 0;
    // The pages (as page() gives them) drawn into one PDF, so that what
    // they share is in it once; pageStarts is told before each, with its
    // place in the list. Empty when cairo fails.
    virtual std::string drawnAsPdf(const std::vector<DrawablePage*>& pages,
                                   const std::function<void(size_t)>& pageStarts) = 0;
};

class DrawingPlugin {
public:
    virtual ~DrawingPlugin() = default;
    // Null on failure, with error set to a kPdf...Error code.
    // appearancesFromValues: the document's form has its appearances made
    // from its values (NeedAppearances).
    virtual std::unique_ptr<DrawableDocument> open(const char* fileName, const char* password,
                                                   bool appearancesFromValues, unsigned long& error) = 0;
    // As open, for a copy of the document that the program made (contents,
    // a whole PDF file), read in place of the file.
    virtual std::unique_ptr<DrawableDocument> openCopy(const std::string& contents, const char* password,
                                                       bool appearancesFromValues, unsigned long& error) = 0;
    // The device context of a printer that takes raster and no PDF: every
    // page drawn and sent as raster in the format.
    virtual std::unique_ptr<DeviceContext> rasterDeviceContext(PrinterDriver& driver, const JobSettings& settings,
                                                               const RasterFormat& format) = 0;
};

// The plugin: loaded on first use, or the one a test installed. Null, with
// the reason as the last error and its text, when it cannot be loaded.
DrawingPlugin* drawingPlugin();
// Makes the plugin code linked into the program (tests) the one in use.
void useDrawingPlugin(DrawingPlugin* plugin);

}  // namespace drawing
}  // namespace posix

extern "C" posix::drawing::DrawingPlugin* quorlexDrawingPlugin();
