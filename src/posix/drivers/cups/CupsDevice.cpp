#include "posix/drivers/cups/CupsDevice.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "posix/drivers/cups/CupsError.h"
#include "posix/drivers/cups/CupsLogin.h"

namespace posix {

namespace {

constexpr const char* kPdf = "application/pdf";
constexpr const char* kPwgRaster = "image/pwg-raster";
constexpr const char* kAppleRaster = "image/urf";
constexpr int kRasterDpi = 300;

// The values of an attribute the printer reports as "<option>-supported".
std::vector<std::string> supportedValues(const CupsDestination& destination, const char* option) {
    std::vector<std::string> values;
    ipp_attribute_t* attribute = cupsFindDestSupported(destination.session(), destination.dest.get(),
                                                       destination.info.get(), option);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i) {
        if (const char* value = ippGetString(attribute, i, nullptr)) values.emplace_back(value);
    }
    return values;
}

bool supportsOperation(const CupsDestination& destination, ipp_op_t operation) {
    ipp_attribute_t* operations = cupsFindDestSupported(destination.session(), destination.dest.get(),
                                                        destination.info.get(), "operations");
    for (int i = 0; operations && i < ippGetCount(operations); ++i) {
        if (ippGetInteger(operations, i) == operation) return true;
    }
    return false;
}

bool offers(const std::vector<std::string>& values, const char* value) {
    for (const std::string& offered : values)
        if (!strcasecmp(offered.c_str(), value)) return true;
    return false;
}

// Dots per inch of a resolution attribute's values.
std::vector<int> resolutionsOf(const CupsDestination& destination, const char* option) {
    std::vector<int> dpis;
    ipp_attribute_t* attribute = cupsFindDestSupported(destination.session(), destination.dest.get(),
                                                       destination.info.get(), option);
    for (int i = 0; attribute && ippGetValueTag(attribute) == IPP_TAG_RESOLUTION && i < ippGetCount(attribute); ++i) {
        ipp_res_t units;
        int y = 0;
        const int x = ippGetResolution(attribute, i, &y, &units);
        if (x > 0) dpis.push_back(units == IPP_RES_PER_CM ? static_cast<int>(x * 2.54 + 0.5) : x);
    }
    return dpis;
}

// The resolution pages are drawn at: the printer's default where its raster
// takes it, else the least of 300 dpi or more, else the finest it takes.
int rasterResolution(const std::vector<int>& offered, int preferred) {
    if (offered.empty()) return preferred > 0 ? preferred : kRasterDpi;
    if (std::find(offered.begin(), offered.end(), preferred) != offered.end()) return preferred;
    int best = 0;
    for (int dpi : offered)
        if (dpi >= kRasterDpi && (best == 0 || dpi < best)) best = dpi;
    return best > 0 ? best : *std::max_element(offered.begin(), offered.end());
}

// How the printer wants the back of a sheet (pwg-raster-document-sheet-back,
// a printer attribute of no "-supported" form, so asked for itself).
std::string sheetBackOf(const CupsDestination& destination) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, destination.printerUri().c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "pwg-raster-document-sheet-back");
    const OwnedIpp response(cupsDoRequest(destination.session(), request, destination.resource.c_str()));
    ipp_attribute_t* back =
        response ? ippFindAttribute(response.get(), "pwg-raster-document-sheet-back", IPP_TAG_KEYWORD) : nullptr;
    const char* value = back ? ippGetString(back, 0, nullptr) : nullptr;
    return value ? value : "normal";
}

// The PWG raster the printer takes (pwg-raster-document-...), or, from
// urf-supported ("W8", "SRGB24", "RS300-600", "DM1"), its Apple raster.
RasterFormat rasterFormatOf(const CupsDestination& destination, bool apple) {
    RasterFormat format;
    ipp_attribute_t* preferred = cupsFindDestDefault(destination.session(), destination.dest.get(),
                                                     destination.info.get(), "printer-resolution");
    int preferredDpi = 0;
    if (preferred && ippGetValueTag(preferred) == IPP_TAG_RESOLUTION) {
        ipp_res_t units;
        int y = 0;
        preferredDpi = ippGetResolution(preferred, 0, &y, &units);
    }
    if (!apple) {
        format.mimeType = kPwgRaster;
        const std::vector<std::string> types = supportedValues(destination, "pwg-raster-document-type");
        format.rgb8 = offers(types, "srgb_8");
        format.gray8 = offers(types, "sgray_8");
        format.black1 = offers(types, "black_1");
        format.dpiX = format.dpiY =
            rasterResolution(resolutionsOf(destination, "pwg-raster-document-resolution"), preferredDpi);
        format.sheetBack = sheetBackOf(destination);
        return format;
    }
    format.mimeType = kAppleRaster;
    std::vector<int> dpis;
    for (const std::string& value : supportedValues(destination, "urf")) {
        if (value == "W8") format.gray8 = true;
        if (value == "SRGB24") format.rgb8 = true;
        if (value.rfind("RS", 0) == 0) {
            for (size_t at = 2; at < value.size();) {
                dpis.push_back(std::atoi(value.c_str() + at));
                const size_t dash = value.find('-', at);
                at = dash == std::string::npos ? value.size() : dash + 1;
            }
        }
        // DM1 normal backs, DM2 flipped, DM3 rotated, DM4 turned for short edges.
        static const char* const backs[] = {"normal", "flipped", "rotated", "manual-tumble"};
        if (value.size() == 3 && value.rfind("DM", 0) == 0 && value[2] >= '1' && value[2] <= '4')
            format.sheetBack = backs[value[2] - '1'];
    }
    format.dpiX = format.dpiY = rasterResolution(dpis, preferredDpi);
    return format;
}

// The printer takes the document as PDF, or as raster (PWG first, else
// Apple), or the last error says what it takes instead.
bool takesDocument(CupsDestination& destination) {
    const std::vector<std::string> formats = supportedValues(destination, "document-format");
    if (offers(formats, kPdf)) return true;
    if (offers(formats, kPwgRaster) || offers(formats, kAppleRaster)) {
        destination.raster = rasterFormatOf(destination, !offers(formats, kPwgRaster));
        if (destination.raster->rgb8 || destination.raster->gray8 || destination.raster->black1) return true;
        destination.raster.reset();
    }
    std::string list;
    for (const std::string& format : formats) list += (list.empty() ? "" : ", ") + format;
    setIppError(IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED,
                "The printer at " + destination.deviceUri + " takes neither PDF nor raster it describes: it takes " +
                    (list.empty() ? std::string("no format it names") : list));
    return false;
}

}  // namespace

bool isPrinterUri(const std::string& name) {
    return !strncasecmp(name.c_str(), "ipp://", 6) || !strncasecmp(name.c_str(), "ipps://", 7);
}

std::shared_ptr<CupsDestination> openDevice(const std::string& uri) {
    auto destination = std::make_shared<CupsDestination>();
    destination->kind = DestinationKind::Device;
    destination->deviceUri = uri;
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    const bool wellFormed = httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, userpass,
                                            sizeof userpass, host, sizeof host, &port, resource,
                                            sizeof resource) >= HTTP_URI_STATUS_OK &&
                            host[0] != '\0';
    if (wellFormed) destination->dest.reset(cupsGetDestWithURI(nullptr, uri.c_str()));
    if (!destination->dest) {
        setIppError(IPP_STATUS_ERROR_NOT_FOUND, uri + " names no printer: use ipp://HOST[:PORT]/PATH or ipps://...");
        return nullptr;
    }
    destination->connection = connectToDevice(destination->dest.get(), destination->resource);
    if (!destination->connection) {
        setUnreachable(*destination);
        return nullptr;
    }
    destination->info.reset(
        withLogin([&] { return cupsCopyDestInfo(destination->session(), destination->dest.get()); }));
    if (!destination->info) {
        setLastErrorFromConnection(destination->connection.get(),
                                   "Unable to read what the printer at " + uri + " supports", "the printer");
        return nullptr;
    }
    if (!takesDocument(*destination)) return nullptr;
    destination->createsJobs = supportsOperation(*destination, IPP_OP_CREATE_JOB) &&
                               supportsOperation(*destination, IPP_OP_SEND_DOCUMENT);
    return destination;
}

}  // namespace posix
