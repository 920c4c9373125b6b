// The program's side of the CUPS plugin: CUPS destinations open through it,
// and IPP statuses are told in its words.
#include "posix/drivers/cups/CupsPlugin.h"

#include <memory>

#include "posix/winapi/LastError.h"
#include "posix/spooler/Plugins.h"
#include "posix/drivers/cups/CupsPrinter.h"

namespace posix {

namespace {

const CupsPlugin* installed = nullptr;

}  // namespace

void useCupsPlugin(const CupsPlugin* plugin) {
    installed = plugin;
    setIppStatusText(plugin ? plugin->statusText : nullptr);
}

const CupsPlugin* cupsPlugin() {
    if (installed) return installed;
    using Entry = const CupsPlugin* (*)();
    if (auto entry = reinterpret_cast<Entry>(pluginEntry("quorlex-cups", "quorlexCupsPlugin")))
        useCupsPlugin(entry());
    return installed;
}

std::unique_ptr<PrinterDriver> openCupsPrinterDriver(const std::string& name) {
    const CupsPlugin* plugin = cupsPlugin();
    if (!plugin) return nullptr;
    return std::unique_ptr<PrinterDriver>(plugin->openPrinter(name.c_str()));
}

}  // namespace posix
