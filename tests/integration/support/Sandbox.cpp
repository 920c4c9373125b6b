#include "integration/support/Sandbox.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/PdfBuilder.h"

namespace itest::sandbox {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Single quotes for the shell.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

void pause() { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }

bool pastDeadline(std::chrono::steady_clock::time_point deadline) {
    return std::chrono::steady_clock::now() >= deadline;
}

std::chrono::steady_clock::time_point deadlineIn(int seconds) {
    return std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
}

// An ipptool test that lists jobs: "completed" or "all".
std::string jobListTest(const std::string& which) {
    const std::string file = makeTempDir("ipptool") + "/" + which + "-jobs.test";
    std::ofstream out(file);
    out << "{\n"
           "  NAME \"" << which << " jobs\"\n"
           "  OPERATION Get-Jobs\n"
           "  GROUP operation-attributes-tag\n"
           "  ATTR charset attributes-charset utf-8\n"
           "  ATTR naturalLanguage attributes-natural-language en\n"
           "  ATTR uri printer-uri $uri\n"
           "  ATTR keyword which-jobs " << which << "\n"
           "  ATTR keyword requested-attributes job-id,job-name,job-state\n"
           "  STATUS successful-ok\n"
           "  DISPLAY job-id\n"
           "  DISPLAY job-name\n"
           "  DISPLAY job-state\n"
           "}\n";
    return file;
}

// The ipptool test that asks for one job's name ($jobid).
const std::string& jobNameTest() {
    static const std::string file = [] {
        const std::string path = makeTempDir("ipptool") + "/job-name.test";
        std::ofstream out(path);
        out << "{\n"
               "  NAME \"job name\"\n"
               "  OPERATION Get-Job-Attributes\n"
               "  GROUP operation-attributes-tag\n"
               "  ATTR charset attributes-charset utf-8\n"
               "  ATTR naturalLanguage attributes-natural-language en\n"
               "  ATTR uri printer-uri $uri\n"
               "  ATTR integer job-id $jobid\n"
               "  ATTR keyword requested-attributes job-name\n"
               "  STATUS successful-ok\n"
               "  DISPLAY job-name\n"
               "}\n";
        return path;
    }();
    return file;
}

// The queue's URI on the scheduler; a socket path goes in as an encoded host.
std::string queueUri(const std::string& queue) {
    const Environment* env = environment();
    std::string host;
    for (char c : env->server) {
        if (c == '/')
            host += "%2F";
        else
            host += c;
    }
    return "ipp://" + host + "/printers/" + queue;
}

JobState stateFromKeyword(const std::string& keyword) {
    static const std::pair<const char*, JobState> states[] = {
        {"pending", JobState::Pending},       {"pending-held", JobState::Held},
        {"processing", JobState::Processing}, {"processing-stopped", JobState::Stopped},
        {"canceled", JobState::Canceled},     {"aborted", JobState::Aborted},
        {"completed", JobState::Completed},
    };
    for (const auto& [name, state] : states) {
        if (keyword == name) return state;
    }
    return JobState::Unknown;
}

// One line of ipptool's CSV: job-id,job-name,job-state. The tests' job
// names hold no commas or quotes.
std::optional<Job> parseJobLine(const std::string& line) {
    const size_t first = line.find(',');
    const size_t last = line.rfind(',');
    if (first == std::string::npos || first == last) return std::nullopt;
    Job job;
    job.id = std::atoi(line.substr(0, first).c_str());
    job.name = line.substr(first + 1, last - first - 1);
    if (job.name.size() >= 2 && job.name.front() == '"' && job.name.back() == '"')
        job.name = job.name.substr(1, job.name.size() - 2);
    job.state = stateFromKeyword(line.substr(last + 1));
    if (job.id <= 0) return std::nullopt;
    return job;
}

// The jobs ipptool lists for a printer URI.
std::vector<Job> listJobs(const std::string& uri, const std::string& test) {
    std::vector<Job> jobs;
    const RunResult result = shell("ipptool -c " + quoted(uri) + " " + quoted(test));
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (auto job = parseJobLine(line)) jobs.push_back(*job);
    }
    return jobs;
}

bool isDocument(const std::filesystem::path& file) { return file.extension() != ".prn"; }

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string frameContent(const PageSize& page) {
    const std::string w = number(page.width), h = number(page.height);
    return "0 g\n0 0 " + w + " 8 re\n0 " + number(page.height - 8) + " " + w + " 8 re\n" +
           "0 0 8 " + h + " re\n" + number(page.width - 8) + " 0 8 " + h + " re\nf\n";
}

// Strokes from a fixed pseudo-random sequence, the same on every page.
std::string heavyContent() {
    std::string out = "0.2 w\n";
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<double>((state >> 8) % 5000) / 10.0;
    };
    for (int i = 0; i < 6000; ++i) {
        out += number(next()) + " " + number(next()) + " m " + number(next()) + " " +
               number(next()) + " l\n";
        if (i % 50 == 49) out += "S\n";
    }
    return out + "S\n";
}

}  // namespace

namespace {

// Where each fixture of scripts/print-sandbox.d/fixtures.txt goes, in the
// table's order: a text, or a list of names apart by spaces.
struct Field {
    const char* variable;
    std::string Environment::*text = nullptr;
    std::vector<std::string> Environment::*list = nullptr;
};
const Field kFields[] = {
    {"CUPS_SERVER", &Environment::server},
    {"QUORLEX_SANDBOX_DIR", &Environment::folder},
    {"QUORLEX_IPP_SPOOL", &Environment::ippSpool},
    {"QUORLEX_IPP_ATTRIBUTES", &Environment::ippAttributes},
    {"QUORLEX_IPP_QUEUE", &Environment::ippQueue},
    {"QUORLEX_PPD_QUEUE", &Environment::ppdQueue},
    {"QUORLEX_SIMPLEX_QUEUE", &Environment::simplexQueue},
    {"QUORLEX_GENERIC_PDF_QUEUE", &Environment::genericPdfQueue},
    {"QUORLEX_GENERIC_PDF_SPOOL", &Environment::genericPdfSpool},
    {"QUORLEX_HP_PDF_QUEUE", &Environment::hpPdfQueue},
    {"QUORLEX_HP_PDF_SPOOL", &Environment::hpPdfSpool},
    {"QUORLEX_ABORTING_QUEUE", &Environment::abortingQueue},
    {"QUORLEX_STOPPING_QUEUE", &Environment::stoppingQueue},
    {"QUORLEX_IPP_URI", &Environment::ippUri},
    {"QUORLEX_IPP_B_URI", &Environment::ippBUri},
    {"QUORLEX_IPP_B_SPOOL", &Environment::ippBSpool},
    {"QUORLEX_OLD_PRINTER_URI", &Environment::oldPrinterUri},
    {"QUORLEX_RASTER_URI", &Environment::rasterUri},
    {"QUORLEX_RASTER_SPOOL", &Environment::rasterSpool},
    {"QUORLEX_RASTER_ATTRIBUTES", &Environment::rasterAttributes},
    {"QUORLEX_JPEG_URI", &Environment::jpegUri},
    {"QUORLEX_LPRINT_URI", &Environment::lprintUri},
    {"QUORLEX_LPRINT_SPOOL", &Environment::lprintSpool},
    {"QUORLEX_LPRINT_QUEUE", &Environment::lprintQueue},
    {"QUORLEX_DRIVER_QUEUES", nullptr, &Environment::driverQueues},
    {"QUORLEX_CLASS", &Environment::className},
    {"QUORLEX_CLASS_MEMBERS", nullptr, &Environment::classMembers},
    {"QUORLEX_AUTH_SERVER", &Environment::authServer},
    {"QUORLEX_AUTH_QUEUE", &Environment::authQueue},
    {"QUORLEX_AUTH_USER", &Environment::authUser},
    {"QUORLEX_AUTH_PASSWORD", &Environment::authPassword},
};

}  // namespace

const Environment* environment() {
    static const std::optional<Environment> found = []() -> std::optional<Environment> {
        // The sandbox always exports its first queue.
        if (variable("QUORLEX_IPP_QUEUE").empty()) return std::nullopt;
        Environment env;
        for (const Field& field : kFields) {
            const std::string value = variable(field.variable);
            if (field.text) {
                env.*field.text = value;
            } else {
                std::istringstream names(value);
                for (std::string name; names >> name;) (env.*field.list).push_back(name);
            }
        }
        return env;
    }();
    return found ? &*found : nullptr;
}

std::vector<FixtureField> fixtureFields(const Environment& env) {
    std::vector<FixtureField> fields;
    for (const Field& field : kFields) {
        FixtureField read{field.variable, field.list != nullptr, ""};
        if (field.text) {
            read.value = env.*field.text;
        } else {
            for (const std::string& name : env.*field.list)
                read.value += (read.value.empty() ? "" : " ") + name;
        }
        fields.push_back(read);
    }
    return fields;
}

RunResult shell(const std::string& commandLine, int timeoutSeconds) {
    RunOptions options;
    options.stdinMode = Stdin::DevNull;
    options.timeoutSeconds = timeoutSeconds;
    return run("/bin/sh", {"-c", commandLine}, options);
}

bool control(const std::string& command) {
    const RunResult result =
        shell(quoted(std::string(QUORLEX_SOURCE_DIR) + "/scripts/print-sandbox") + " " + command,
              120);
    return result.exitCode == 0;
}

std::string uniqueTitle(const std::string& what) {
    static int counter = 0;
    return "Quorlex " + what + " " + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

RunOptions unattended() {
    RunOptions options;
    options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
    options.timeoutSeconds = 120;
    return options;
}

RunResult printPdf(const std::string& pdf, const std::string& printer, const std::string& title,
                   const std::vector<std::string>& extra, const RunOptions& options) {
    std::vector<std::string> args = {"-printpdf", pdf, printer, title};
    args.insert(args.end(), extra.begin(), extra.end());
    return runQuorlex(args, options);
}

BackgroundRun::BackgroundRun(const std::string& program, const std::vector<std::string>& args,
                             const std::string& outputFile)
    : outputFile_(outputFile) {
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        setsid();
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

BackgroundRun::~BackgroundRun() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

RunResult BackgroundRun::wait(int timeoutSeconds) {
    RunResult result;
    if (pid_ <= 0) return result;
    const auto deadline = deadlineIn(timeoutSeconds);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (pastDeadline(deadline)) {
            result.timedOut = true;
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    pid_ = -1;
    if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.err = readFile(outputFile_);
    return result;
}

void expectPrinted(const RunResult& result) {
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.err.find("Unable to print document"), std::string::npos) << result.err;
}

std::string printedDocument(const std::string& title) {
    const auto job = waitForPrinterJob(title);
    if (!job) {
        ADD_FAILURE() << "the printer never finished a job named \"" << title << "\"";
        return "";
    }
    EXPECT_EQ(job->state, JobState::Completed) << title;
    const auto documents = documentsOf(*job);
    if (documents.size() != 1) {
        ADD_FAILURE() << "job \"" << title << "\" holds " << documents.size() << " documents";
        return "";
    }
    return documents.front();
}

std::string socketPrinterReceived(const std::string& spool, const std::string& title, int timeoutSeconds) {
    const std::string name = "@PJL JOB NAME = \"" + title + "\"";
    const auto deadline = deadlineIn(timeoutSeconds);
    while (true) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(spool, error)) {
            if (entry.path().extension() != ".prn") continue;
            std::string bytes = readFile(entry.path().string());
            if (bytes.find(name) != std::string::npos) return bytes;
        }
        if (pastDeadline(deadline)) break;
        pause();
    }
    ADD_FAILURE() << "the socket printer in " << spool << " received no job named \"" << title << "\"";
    return "";
}

std::string pdfWithin(const std::string& received) {
    const size_t start = received.find("%PDF-");
    const size_t end = received.rfind("%%EOF");
    static int counter = 0;
    const std::string path = makeTempDir("received") + "/" + std::to_string(++counter) + ".pdf";
    std::ofstream(path, std::ios::binary)
        << (start == std::string::npos || end == std::string::npos || end < start
                ? std::string()
                : received.substr(start, end + 5 - start) + "\n");
    return path;
}

std::vector<Job> finishedPrinterJobs() {
    const Environment* env = environment();
    return env ? finishedPrinterJobs(env->ippUri) : std::vector<Job>{};
}

std::vector<Job> finishedPrinterJobs(const std::string& printerUri) {
    static const std::string test = jobListTest("completed");
    return listJobs(printerUri, test);
}

std::optional<Job> waitForPrinterJob(const std::string& name, int timeoutSeconds, const std::string& printerUri) {
    const auto deadline = deadlineIn(timeoutSeconds);
    while (true) {
        for (const Job& job : printerUri.empty() ? finishedPrinterJobs() : finishedPrinterJobs(printerUri)) {
            if (job.name == name) return job;
        }
        if (pastDeadline(deadline)) return std::nullopt;
        pause();
    }
}

std::string jobAttributes(const std::string& title) {
    const auto job = waitForPrinterJob(title);
    const Environment* env = environment();
    if (!job || !env) return "";
    const std::string path = env->ippAttributes + "/" + std::to_string(job->id) + ".env";
    // The printer's command writes them as it finishes the job.
    for (int i = 0; i < 100 && !fileExists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return readFile(path);
}

std::vector<std::string> documentsOf(const Job& job) {
    std::vector<std::string> documents;
    const std::string prefix = std::to_string(job.id) + "-";
    for (const std::string& path : allDocuments()) {
        if (std::filesystem::path(path).filename().string().rfind(prefix, 0) == 0)
            documents.push_back(path);
    }
    return documents;
}

std::vector<std::string> allDocuments() {
    std::vector<std::string> documents;
    const Environment* env = environment();
    std::error_code error;
    if (!env) return documents;
    for (const auto& entry : std::filesystem::directory_iterator(env->ippSpool, error)) {
        if (entry.is_regular_file() && isDocument(entry.path()))
            documents.push_back(entry.path().string());
    }
    std::sort(documents.begin(), documents.end());
    return documents;
}

std::vector<Job> schedulerJobs(const std::string& queue) {
    static const std::string test = jobListTest("all");
    if (!environment()) return {};
    std::vector<Job> jobs = listJobs(queueUri(queue), test);
    // The scheduler's job list sometimes leaves a job's name out; its own
    // attributes have it.
    for (Job& job : jobs) {
        if (!job.name.empty()) continue;
        const RunResult result = shell("ipptool -c -d jobid=" + std::to_string(job.id) + " " +
                                       quoted(queueUri(queue)) + " " + quoted(jobNameTest()));
        const size_t header = result.out.find('\n');
        if (header == std::string::npos) continue;
        std::string name = result.out.substr(header + 1);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        job.name = name;
    }
    return jobs;
}

std::optional<Job> schedulerJob(const std::string& queue, const std::string& name) {
    for (const Job& job : schedulerJobs(queue)) {
        if (job.name == name) return job;
    }
    return std::nullopt;
}

std::optional<Job> schedulerJobById(const std::string& queue, int id) {
    for (const Job& job : schedulerJobs(queue)) {
        if (job.id == id) return job;
    }
    return std::nullopt;
}

std::vector<int> schedulerJobIds(const std::string& queue) {
    std::vector<int> ids;
    for (const Job& job : schedulerJobs(queue)) ids.push_back(job.id);
    return ids;
}

std::optional<Job> waitForSchedulerJob(const std::string& queue, const std::string& name,
                                       const std::vector<int>& known, int timeoutSeconds) {
    const auto deadline = deadlineIn(timeoutSeconds);
    while (true) {
        for (const Job& job : schedulerJobs(queue)) {
            const bool isNew = std::find(known.begin(), known.end(), job.id) == known.end();
            if (job.name == name || (job.name.empty() && isNew)) return job;
        }
        if (pastDeadline(deadline)) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void cancelSchedulerJob(const std::string& queue, int id) {
    shell("cancel " + quoted(queue + "-" + std::to_string(id)));
}

std::vector<PageSize> pageSizes(const std::string& pdf) {
    const RunResult result = shell("pdfinfo -f 1 -l 100000 " + quoted(pdf));
    std::vector<PageSize> sizes;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        int page = 0, rotation = 0;
        double width = 0, height = 0;
        if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &width, &height) == 3) {
            sizes.push_back({width, height});
        } else if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &rotation) == 2 &&
                   !sizes.empty() && (rotation == 90 || rotation == 270)) {
            std::swap(sizes.back().width, sizes.back().height);
        }
    }
    return sizes;
}

::testing::AssertionResult sameSizes(const std::vector<PageSize>& actual,
                                     const std::vector<PageSize>& expected, double tolerance) {
    bool same = actual.size() == expected.size();
    for (size_t i = 0; same && i < actual.size(); ++i) {
        same = std::fabs(actual[i].width - expected[i].width) <= tolerance &&
               std::fabs(actual[i].height - expected[i].height) <= tolerance;
    }
    if (same) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "pages:";
    for (const PageSize& page : actual) failure << " " << page.width << "x" << page.height;
    return failure;
}

void writePdf(const std::string& path, const std::vector<PageSize>& pages, PageContent content) {
    testpdf::PdfBuilder pdf;
    pdf.object("font", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    // The heavy strokes are one stream that every page draws.
    pdf.stream("strokes", "<< >>", content == PageContent::Heavy ? heavyContent() : "");
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageSize& size = pages[i];
        std::string own = content == PageContent::Frame ? frameContent(size) : "";
        if (content == PageContent::Colour)
            own = "1 0 0 rg 20 20 " + number(size.width / 2) + " " + number(size.height / 2) + " re f\n0 0 0 rg\n";
        own += "BT /F1 24 Tf " + number(size.width / 2 - 40) + " " + number(size.height / 2) +
               " Td (Page " + std::to_string(i + 1) + ") Tj ET\n";
        testpdf::Page page(size.width, size.height, own, "<< /Font << /F1 {font} >> >>");
        page.moreContent = {"{strokes}"};
        pdf.page(page);
    }
    pdf.write(path);
}

GrayImage renderPage(const std::string& pdf, int page, int dpi) {
    GrayImage image;
    const std::string prefix = makeTempDir("render") + "/page";
    const std::string n = std::to_string(page);
    const RunResult result = shell("pdftoppm -cropbox -gray -r " + std::to_string(dpi) + " -f " + n +
                                   " -l " + n + " -singlefile " + quoted(pdf) + " " +
                                   quoted(prefix));
    if (result.exitCode != 0) return image;
    std::ifstream in(prefix + ".pgm", std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    if (magic != "P5" || maxValue != 255 || image.width <= 0 || image.height <= 0) return {};
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    in.read(reinterpret_cast<char*>(image.pixels.data()),
            static_cast<std::streamsize>(image.pixels.size()));
    if (!in) return {};
    return image;
}

// The mean difference of two grey renderings, 0 to 255; the target may be
// turned a quarter counter-clockwise against the source, and shifted by a few
// pixels: a turned page starts at the printer's margins exchanged. 255 when
// their sizes differ by more than a pixel.
double meanDifference(const GrayImage& source, const GrayImage& target,
                      bool turned) {
    const int width = turned ? source.height : source.width;
    const int height = turned ? source.width : source.height;
    if (std::abs(width - target.width) > 1 || std::abs(height - target.height) > 1) return 255;
    const int w = std::min(width, target.width), h = std::min(height, target.height);
    // Turned: the page's top is on the sheet's left, its left at the bottom.
    const auto sourceAt = [&](int x, int y) {
        const int u = turned ? source.width - 1 - y : x, v = turned ? x : y;
        if (u < 0 || v < 0 || u >= source.width || v >= source.height) return 255;
        return int{source.at(u, v)};
    };
    const int reach = turned ? 4 : 0;
    double best = 255;
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            double sum = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) sum += std::abs(sourceAt(x + dx, y + dy) - int{target.at(x, y)});
            best = std::min(best, sum / (double(w) * h));
        }
    }
    return best;
}

}  // namespace itest::sandbox
