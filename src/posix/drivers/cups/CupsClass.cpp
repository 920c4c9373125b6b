#include "posix/drivers/cups/CupsClass.h"

#include <algorithm>
#include <cstdlib>

#include "posix/drivers/cups/CupsLogin.h"
#include "posix/drivers/cups/CupsPaperTable.h"

namespace posix {

namespace {

bool hasTray(const CupsDescription& member, const std::string& keyword) {
    return std::any_of(member.capabilities.trays.begin(), member.capabilities.trays.end(),
                       [&keyword](const Tray& tray) { return tray.keyword == keyword; });
}

}  // namespace

bool isClass(const CupsDestination& destination) {
    const cups_dest_t* dest = destination.dest.get();
    const char* type = cupsGetOption("printer-type", dest->num_options, dest->options);
    return !destination.direct() && type && (std::strtoul(type, nullptr, 10) & CUPS_PRINTER_CLASS) != 0;
}

std::vector<std::string> classMembers(const CupsDestination& destination) {
    std::vector<std::string> names;
    HttpConnection http = connectToScheduler();
    if (!http) return names;
    const OwnedIpp response(withLogin([&] {
        ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                     destination.printerUri().c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "member-names");
        return cupsDoRequest(http.get(), request, "/");
    }));
    ipp_attribute_t* members = response ? ippFindAttribute(response.get(), "member-names", IPP_TAG_NAME) : nullptr;
    for (int i = 0; members && i < ippGetCount(members); ++i) {
        if (const char* name = ippGetString(members, i, nullptr)) names.emplace_back(name);
    }
    return names;
}

CupsDescription describeClass(const std::vector<CupsDescription>& members) {
    if (members.empty()) return {};
    const CupsDescription& first = members.front();
    CupsDescription shared;
    shared.deviceTakesIpp = first.deviceTakesIpp;
    shared.defaults = first.defaults;
    shared.defaults.paperIndex = -1;
    for (size_t index = 0; index < first.papers.size(); ++index) {
        Paper paper = first.papers[index];
        bool everywhere = true;
        for (const CupsDescription& member : members) {
            const int found = findPaperBySize(member.papers, paper.width, paper.length);
            if (found < 0) {
                everywhere = false;
                break;
            }
            const Paper& theirs = member.papers[static_cast<size_t>(found)];
            paper.marginLeft = std::max(paper.marginLeft, theirs.marginLeft);
            paper.marginTop = std::max(paper.marginTop, theirs.marginTop);
            paper.marginRight = std::max(paper.marginRight, theirs.marginRight);
            paper.marginBottom = std::max(paper.marginBottom, theirs.marginBottom);
        }
        if (!everywhere) continue;
        if (static_cast<int>(index) == first.defaults.paperIndex)
            shared.defaults.paperIndex = static_cast<int>(shared.papers.size());
        shared.papers.push_back(std::move(paper));
    }
    if (shared.defaults.paperIndex < 0 && !shared.papers.empty()) shared.defaults.paperIndex = 0;

    // Sizes of their own only where every member takes them, as far as all take them.
    shared.customSizes = first.customSizes;
    for (const CupsDescription& member : members) {
        if (!shared.customSizes || !member.customSizes) {
            shared.customSizes.reset();
            break;
        }
        CustomSizes& sizes = *shared.customSizes;
        sizes.minWidth = std::max(sizes.minWidth, member.customSizes->minWidth);
        sizes.minLength = std::max(sizes.minLength, member.customSizes->minLength);
        sizes.maxWidth = std::min(sizes.maxWidth, member.customSizes->maxWidth);
        sizes.maxLength = std::min(sizes.maxLength, member.customSizes->maxLength);
    }
    if (shared.customSizes && (shared.customSizes->maxWidth < shared.customSizes->minWidth ||
                               shared.customSizes->maxLength < shared.customSizes->minLength))
        shared.customSizes.reset();
    shared.capabilities = first.capabilities;
    std::erase_if(shared.capabilities.trays, [&members](const Tray& tray) {
        return !std::all_of(members.begin(), members.end(),
                            [&tray](const CupsDescription& member) { return hasTray(member, tray.keyword); });
    });
    for (const CupsDescription& member : members) {
        shared.capabilities.duplex = shared.capabilities.duplex && member.capabilities.duplex;
        shared.capabilities.color = shared.capabilities.color && member.capabilities.color;
        shared.capabilities.maxCopies = std::min(shared.capabilities.maxCopies, member.capabilities.maxCopies);
    }
    return shared;
}

}  // namespace posix
