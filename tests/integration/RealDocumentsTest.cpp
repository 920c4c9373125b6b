// Documents no one here wrote, as Debian packages ship them, printed through
// the file: printer: every page arrives, on paper of the page's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"
#include "support/PdfBuilder.h"

namespace fs = std::filesystem;
using namespace itest;

namespace {

// The CUPS test page, banners and forms (cups-filters, cups).
std::vector<std::string> cupsDocuments() {
    std::vector<std::string> documents;
    const fs::path folder = "/usr/share/cups/data";
    if (fs::is_directory(folder)) {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".pdf") documents.push_back(entry.path().string());
    }
    std::sort(documents.begin(), documents.end());
    return documents;
}

// A manual of over a thousand pages (c++-annotations-pdf).
constexpr const char* kManual = "/usr/share/doc/c++-annotations/cplusplus.pdf";

}  // namespace

TEST(RealDocuments, CupsTestPageBannersAndFormsPrintPageForPage) {
    const std::vector<std::string> documents = cupsDocuments();
    if (documents.empty()) GTEST_SKIP() << "no PDF in /usr/share/cups/data (install cups-filters)";
    ASSERT_TRUE(std::any_of(documents.begin(), documents.end(),
                            [](const std::string& d) { return d.ends_with("/default-testpage.pdf"); }));
    const std::string folder = makeTempDir("real-cups");
    for (const std::string& document : documents) {
        const std::string out = folder + "/" + fs::path(document).filename().string();
        const RunResult result = sandbox::printPdf(document, "file:" + out, "CUPS document");
        sandbox::expectPrinted(result);
        ASSERT_TRUE(fileExists(out)) << document << "\n" << result.err;
        EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out), sandbox::pageSizes(document), 0.5))
            << document;
    }
}

TEST(RealDocuments, AThousandPageManualPrintsEveryPage) {
    if (!fileExists(kManual)) GTEST_SKIP() << kManual << " missing (install c++-annotations-pdf)";
    const std::string out = makeTempDir("real-manual") + "/manual.pdf";
    RunOptions options = sandbox::unattended();
    options.timeoutSeconds = 540;
    const RunResult result = sandbox::printPdf(kManual, "file:" + out, "Manual", {}, options);
    sandbox::expectPrinted(result);
    ASSERT_TRUE(fileExists(out)) << result.err;
    const auto expected = sandbox::pageSizes(kManual);
    ASSERT_GT(expected.size(), 1000u);
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out), expected, 1.0));

    // Its pages are placed where they were, and its process black stays
    // process black. The last page is the 1151st on Debian 12, the 1111th
    // on Debian 13.
    const int last = static_cast<int>(expected.size());
    for (int page : {1, 2, 600, last}) {
        EXPECT_LT(sandbox::meanDifference(sandbox::renderPage(kManual, page, 40),
                                          sandbox::renderPage(out, page, 40)),
                  3.0)
            << "page " << page;
    }
    int blackPages = 0;
    for (int page = 1; page <= 20; ++page) {
        if (testpdf::pageContent(kManual, page).find("0 0 0 1 k") == std::string::npos) continue;
        ++blackPages;
        EXPECT_NE(testpdf::pageContent(out, page).find("0 0 0 1 k"), std::string::npos) << page;
    }
    EXPECT_GT(blackPages, 0);
}
