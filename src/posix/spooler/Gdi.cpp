// The device-context functions of WinApi.h: CreateDCW opens the printer's
// driver and asks it for a context; the rest dispatch to that context.
#include <map>
#include <memory>

#include "posix/pdf/RenderMode.h"
#include "posix/spooler/DeviceContext.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/spooler/GdiHandles.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/winapi/Utf.h"

namespace posix {

namespace {

// A context and the driver that made it. Members are destroyed in reverse
// order: the context goes first, while its driver still exists.
struct LiveContext {
    std::shared_ptr<PrinterDriver> driver;
    std::unique_ptr<DeviceContext> context;
};

std::map<HDC, LiveContext>& liveContexts() {
    static std::map<HDC, LiveContext> contexts;
    return contexts;
}

}  // namespace

DeviceContext* liveDeviceContext(HDC dc) {
    auto& contexts = liveContexts();
    auto found = contexts.find(dc);
    if (found == contexts.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second.context.get();
}

}  // namespace posix

using posix::liveDeviceContext;

HDC CreateDCW(LPCWSTR, LPCWSTR device, LPCWSTR, const DEVMODEW* settings) {
    if (!device) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<posix::PrinterDriver> driver = posix::openPrinterDriver(posix::toUtf8(device));
    if (!driver) return nullptr;
    const DEVMODEW chosen = settings ? *settings : posix::defaultSettings(*driver);
    std::unique_ptr<posix::DeviceContext> context =
        driver->createDeviceContext(chosen, posix::renderMode() == posix::RenderMode::Always);
    if (!context) return nullptr;

    const HDC dc = context->handle();
    posix::liveContexts().emplace(dc, posix::LiveContext{std::move(driver), std::move(context)});
    return dc;
}

HDC ResetDCW(HDC dc, const DEVMODEW* settings) {
    posix::DeviceContext* context = liveDeviceContext(dc);
    if (!context) return nullptr;
    if (!settings) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return context->reset(*settings) ? dc : nullptr;
}

int StartDocW(HDC dc, const DOCINFOW* info) {
    posix::DeviceContext* context = liveDeviceContext(dc);
    if (!context) return posix::kSpoolerError;
    const LPCWSTR title = info ? info->lpszDocName : nullptr;
    return context->startDoc(title ? std::u16string(title) : std::u16string());
}

namespace {

// A step of the live context behind the handle; a failure for any other.
int onContext(HDC dc, int (posix::DeviceContext::*step)()) {
    posix::DeviceContext* context = liveDeviceContext(dc);
    return context ? (context->*step)() : posix::kSpoolerError;
}

}  // namespace

int StartPage(HDC dc) { return onContext(dc, &posix::DeviceContext::startPage); }

int EndPage(HDC dc) { return onContext(dc, &posix::DeviceContext::endPage); }

int EndDoc(HDC dc) { return onContext(dc, &posix::DeviceContext::endDoc); }

int AbortDoc(HDC dc) { return onContext(dc, &posix::DeviceContext::abortDoc); }

int GetDeviceCaps(HDC dc, int index) {
    posix::DeviceContext* context = liveDeviceContext(dc);
    return context ? context->getDeviceCaps(index) : 0;
}

BOOL DeleteDC(HDC dc) {
    auto& contexts = posix::liveContexts();
    auto found = contexts.find(dc);
    if (found == contexts.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Taken out of the table before it is destroyed, so that nothing its
    // destructor does can reach it again through the handle.
    posix::LiveContext live = std::move(found->second);
    contexts.erase(found);
    return TRUE;
}
