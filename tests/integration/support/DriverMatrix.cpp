#include "integration/support/DriverMatrix.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

#include "integration/support/Sandbox.h"

namespace itest::drivers {

namespace {

// Fewer bytes than a job: a port checked, or a printer application asking
// the printer how it is (LPrint does, on a connection of its own).
constexpr std::uintmax_t kLeastJob = 64;

// The complete files of a kind in the folder (a socket printer names its
// file when the connection has ended).
std::set<std::string> filesOf(const std::string& folder, const std::string& extension) {
    std::set<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == extension && entry.file_size(error) >= kLeastJob)
            files.insert(entry.path().string());
    return files;
}

// The file of the kind that came since before, waiting for it.
std::string newFile(const std::string& folder, const std::string& extension, const std::set<std::string>& before,
                    int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (true) {
        for (const std::string& file : filesOf(folder, extension))
            if (!before.count(file)) return file;
        if (std::chrono::steady_clock::now() > deadline) return "";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

std::optional<DriverQueue> driverQueue(const std::string& name) {
    const sandbox::Environment* env = sandbox::environment();
    if (!env) return std::nullopt;
    for (const std::string& queue : env->driverQueues) {
        if (queue != name) continue;
        return DriverQueue{name, "quorlex-" + name, env->folder + "/socket-" + name,
                           env->folder + "/driver-input/quorlex-" + name};
    }
    return std::nullopt;
}

Delivery print(const DriverQueue& queue, const std::string& pdf, const std::vector<std::string>& extra,
               int dotsPerInch) {
    const std::set<std::string> received = filesOf(queue.spool, ".prn");
    const std::set<std::string> handed = filesOf(queue.taps, ".ras");
    std::vector<std::string> args = {"ExitCode=result", "Notice=none", "Wait=120"};
    args.insert(args.end(), extra.begin(), extra.end());
    Delivery delivery;
    delivery.run = sandbox::printPdf(pdf, queue.queue, sandbox::uniqueTitle(queue.name), args);
    if (delivery.run.exitCode != 0) return delivery;
    const std::string file = newFile(queue.spool, ".prn", received, 60);
    if (file.empty()) return delivery;
    delivery.bytes = readFile(file);
    delivery.printer = printed::readPrinted(delivery.bytes, dotsPerInch);
    // The driver's input is kept once the driver has read it all, by then.
    if (queue.taps.empty()) return delivery;
    if (const std::string raster = newFile(queue.taps, ".ras", handed, 10); !raster.empty())
        delivery.driver = printed::readCupsRaster(raster);
    return delivery;
}

std::string joined(const printed::Reading& reading, const std::function<std::string(const printed::Sheet&)>& what) {
    std::string text;
    for (const printed::Sheet& sheet : reading.sheets) text += (text.empty() ? "" : " ") + what(sheet);
    return text;
}

std::string papersOf(const printed::Reading& reading) {
    return joined(reading, [](const printed::Sheet& sheet) { return sheet.paper; });
}

std::string sizesOf(const printed::Reading& reading) {
    return joined(reading, [](const printed::Sheet& sheet) {
        return std::to_string(std::lround(sheet.widthMm)) + "x" + std::to_string(std::lround(sheet.lengthMm));
    });
}

}  // namespace itest::drivers
