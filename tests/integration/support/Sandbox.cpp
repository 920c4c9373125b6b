#include "integration/support/Sandbox.h"

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

// The ipptool test that lists the printer's finished jobs.
const std::string& jobListTest() {
    static const std::string path = [] {
        const std::string file = makeTempDir("ipptool") + "/finished-jobs.test";
        std::ofstream out(file);
        out << "{\n"
               "  NAME \"finished jobs\"\n"
               "  OPERATION Get-Jobs\n"
               "  GROUP operation-attributes-tag\n"
               "  ATTR charset attributes-charset utf-8\n"
               "  ATTR naturalLanguage attributes-natural-language en\n"
               "  ATTR uri printer-uri $uri\n"
               "  ATTR keyword which-jobs completed\n"
               "  ATTR keyword requested-attributes job-id,job-name,job-state\n"
               "  STATUS successful-ok\n"
               "  DISPLAY job-id\n"
               "  DISPLAY job-name\n"
               "  DISPLAY job-state\n"
               "}\n";
        return file;
    }();
    return path;
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
std::optional<PrinterJob> parseJobLine(const std::string& line) {
    const size_t first = line.find(',');
    const size_t last = line.rfind(',');
    if (first == std::string::npos || first == last) return std::nullopt;
    PrinterJob job;
    job.id = std::atoi(line.substr(0, first).c_str());
    job.name = line.substr(first + 1, last - first - 1);
    if (job.name.size() >= 2 && job.name.front() == '"' && job.name.back() == '"')
        job.name = job.name.substr(1, job.name.size() - 2);
    job.state = stateFromKeyword(line.substr(last + 1));
    if (job.id <= 0) return std::nullopt;
    return job;
}

bool isDocument(const std::filesystem::path& file) { return file.extension() != ".prn"; }

void appendPdfObject(std::string& pdf, std::vector<size_t>& offsets, const std::string& body) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
}

std::string stream(const std::string& data) {
    return "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

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

const Environment* environment() {
    static const std::optional<Environment> found = []() -> std::optional<Environment> {
        Environment env;
        env.ippQueue = variable("QUORLEX_IPP_QUEUE");
        if (env.ippQueue.empty()) return std::nullopt;
        env.folder = variable("QUORLEX_SANDBOX_DIR");
        env.server = variable("CUPS_SERVER");
        env.ppdQueue = variable("QUORLEX_PPD_QUEUE");
        env.ippSpool = variable("QUORLEX_IPP_SPOOL");
        env.ippUri = variable("QUORLEX_IPP_URI");
        return env;
    }();
    return found ? &*found : nullptr;
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

std::vector<PrinterJob> finishedPrinterJobs() {
    std::vector<PrinterJob> jobs;
    const Environment* env = environment();
    if (!env) return jobs;
    const RunResult result =
        shell("ipptool -c " + quoted(env->ippUri) + " " + quoted(jobListTest()));
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (auto job = parseJobLine(line)) jobs.push_back(*job);
    }
    return jobs;
}

std::optional<PrinterJob> waitForPrinterJob(const std::string& name, int timeoutSeconds) {
    const auto deadline = deadlineIn(timeoutSeconds);
    while (true) {
        for (const PrinterJob& job : finishedPrinterJobs()) {
            if (job.name == name) return job;
        }
        if (pastDeadline(deadline)) return std::nullopt;
        pause();
    }
}

std::vector<std::string> documentsOf(const PrinterJob& job) {
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

std::vector<int> schedulerJobs(const std::string& queue, bool completed) {
    const RunResult result = shell(std::string("lpstat -W ") +
                                   (completed ? "completed" : "not-completed") + " -o " +
                                   quoted(queue));
    std::vector<int> ids;
    std::istringstream lines(result.out);
    std::string line;
    const std::string prefix = queue + "-";
    while (std::getline(lines, line)) {
        if (line.rfind(prefix, 0) != 0) continue;
        const int id = std::atoi(line.c_str() + prefix.size());
        if (id > 0) ids.push_back(id);
    }
    return ids;
}

void cancelSchedulerJob(const std::string& queue, int id) {
    shell("cancel " + quoted(queue + "-" + std::to_string(id)));
}

std::optional<int> waitForActiveJob(const std::string& queue, const std::vector<int>& known,
                                    int timeoutSeconds) {
    const auto deadline = deadlineIn(timeoutSeconds);
    while (true) {
        for (int id : schedulerJobs(queue, false)) {
            if (std::find(known.begin(), known.end(), id) == known.end()) return id;
        }
        if (pastDeadline(deadline)) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
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
    // 1 catalog, 2 page tree, 3 font, 4 shared strokes, then a page and its
    // own content for every page.
    std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<size_t> offsets;
    std::string kids;
    for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(5 + 2 * i) + " 0 R ";
    appendPdfObject(pdf, offsets, "<< /Type /Catalog /Pages 2 0 R >>");
    appendPdfObject(pdf, offsets, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                      std::to_string(pages.size()) + " >>");
    appendPdfObject(pdf, offsets, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    appendPdfObject(pdf, offsets, stream(content == PageContent::Heavy ? heavyContent() : ""));
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageSize& page = pages[i];
        std::string own = content == PageContent::Frame ? frameContent(page) : "";
        own += "BT /F1 24 Tf " + number(page.width / 2 - 40) + " " + number(page.height / 2) +
               " Td (Page " + std::to_string(i + 1) + ") Tj ET\n";
        appendPdfObject(pdf, offsets,
                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(page.width) +
                            " " + number(page.height) +
                            "] /Resources << /Font << /F1 3 0 R >> >> /Contents [4 0 R " +
                            std::to_string(6 + 2 * i) + " 0 R] >>");
        appendPdfObject(pdf, offsets, stream(own));
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    std::ofstream(path, std::ios::binary) << pdf;
}

GrayImage renderPage(const std::string& pdf, int page, int dpi) {
    GrayImage image;
    const std::string prefix = makeTempDir("render") + "/page";
    const std::string n = std::to_string(page);
    const RunResult result = shell("pdftoppm -gray -r " + std::to_string(dpi) + " -f " + n +
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

}  // namespace itest::sandbox
