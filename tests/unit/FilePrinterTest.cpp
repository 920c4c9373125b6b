// The built-in "file:" printer: its paper list, its default paper and the
// job file that appears only when a job is finished.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "posix/drivers/file/FilePrinter.h"
#include "posix/winapi/Utf.h"
#include "unit/support/MemoryPrinter.h"

namespace fs = std::filesystem;
using posix::FileJobSink;
using posix::Paper;

namespace {

const Paper* paperWithId(int16_t id) {
    for (const Paper& paper : posix::filePrinterPapers())
        if (paper.id == id) return &paper;
    return nullptr;
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
        if (value) setenv(name, value, 1); else unsetenv(name);
    }
    ~ScopedEnv() {
        if (hadOld_) setenv(name_, old_.c_str(), 1); else unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};


bool write(posix::JobSink& sink, const std::string& text) {
    return sink.write(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

}  // namespace

// ------------------------------------------------------------------ papers

TEST(FilePrinterPapers, StandardSizesCarryTheirWindowsIdsAndExactSizes) {
    struct Expected { int16_t id; const char16_t* name; int32_t width, length; };
    const Expected expected[] = {
        {posix::paper_id::A4, u"A4", 21000, 29700},      {posix::paper_id::A3, u"A3", 29700, 42000},
        {posix::paper_id::A5, u"A5", 14800, 21000},      {posix::paper_id::A6, u"A6", 10500, 14800},
        {posix::paper_id::IsoB4, u"B4", 25000, 35300},  {posix::paper_id::Letter, u"Letter", 21590, 27940},
        {posix::paper_id::Legal, u"Legal", 21590, 35560}, {posix::paper_id::Executive, u"Executive", 18415, 26670},
        {posix::paper_id::Tabloid, u"Tabloid", 27940, 43180}, {posix::paper_id::Ledger, u"Ledger", 43180, 27940},
        {posix::paper_id::Statement, u"Statement", 13970, 21590},
        {posix::paper_id::EnvDL, u"Envelope DL", 11000, 22000}, {posix::paper_id::EnvC5, u"Envelope C5", 16200, 22900},
        {posix::paper_id::Env10, u"Envelope #10", 10478, 24130},
        {posix::paper_id::EnvMonarch, u"Envelope Monarch", 9843, 19050},
    };
    for (const Expected& e : expected) {
        const Paper* paper = paperWithId(e.id);
        ASSERT_NE(paper, nullptr) << "id " << e.id;
        EXPECT_EQ(paper->name, e.name);
        EXPECT_EQ(paper->width, e.width) << "id " << e.id;
        EXPECT_EQ(paper->length, e.length) << "id " << e.id;
    }
}

TEST(FilePrinterPapers, ListsTheWholeIsoAAndBSeriesWithUniqueIdsAndNoMargins) {
    std::set<std::u16string> names;
    std::set<int16_t> ids;
    for (const Paper& paper : posix::filePrinterPapers()) {
        EXPECT_TRUE(ids.insert(paper.id).second) << "duplicate id " << paper.id;
        EXPECT_NE(paper.id, posix::kOwnSizePaper) << "256 stays free for sizes of the caller's own";
        EXPECT_EQ(paper.marginLeft + paper.marginTop + paper.marginRight + paper.marginBottom, 0);
        names.insert(paper.name);
    }
    for (int i = 0; i <= 10; ++i) {
        const std::u16string number = posix::toUtf16(std::to_string(i));
        EXPECT_TRUE(names.count(u"A" + number)) << "A" << i;
        EXPECT_TRUE(names.count(u"B" + number)) << "B" << i;
    }
}

TEST(FilePrinterPapers, DefaultPaperFollowsTheSystemPaperSize) {
    const auto& papers = posix::filePrinterPapers();
    {
        ScopedEnv paper("PAPERSIZE", "letter");
        EXPECT_EQ(papers.at(posix::systemPaperIndex()).id, posix::paper_id::Letter);
    }
    {
        ScopedEnv paper("PAPERSIZE", "a5");
        EXPECT_EQ(papers.at(posix::systemPaperIndex()).id, posix::paper_id::A5);
    }
    {
        ScopedEnv paper("PAPERSIZE", "no-such-paper");
        EXPECT_EQ(papers.at(posix::systemPaperIndex()).id, posix::paper_id::A4);
    }
}

TEST(FilePrinterDriver, ReportsItsDefaultsAt600DpiPortrait) {
    ScopedEnv paper("PAPERSIZE", "a4");
    testing_support::TempFolder folder;
    auto driver = posix::openPrinterDriver("file:" + folder.path("out.pdf"));
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->name(), "file:" + folder.path("out.pdf"));
    const posix::PrinterDefaults defaults = driver->defaults();
    EXPECT_EQ(defaults.dpiX, 600);
    EXPECT_EQ(defaults.dpiY, 600);
    EXPECT_EQ(defaults.orientation, posix::Orientation::Portrait);
    EXPECT_EQ(driver->papers().at(defaults.paperIndex).id, posix::paper_id::A4);
    EXPECT_EQ(folder.entries(), 0u) << "opening the printer writes nothing";
}

TEST(FilePrinterDriver, RefusesAPathThatCouldNeverBeWritten) {
    testing_support::TempFolder folder;
    struct Case { std::string name; DWORD error; };
    const Case cases[] = {
        {"file:", ERROR_INVALID_PARAMETER},
        {"file:" + folder.path("missing/out.pdf"), ENOENT},
        {"file:" + folder.path(), EISDIR},
        {"file:" + folder.path() + "/", EISDIR},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(posix::openPrinterDriver(c.name), nullptr) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    EXPECT_NE(posix::openPrinterDriver("FILE:" + folder.path("a.pdf")), nullptr)
        << "the prefix ignores case, as printer names do";
}

// ---------------------------------------------------------------- job file

TEST(FileJobSink, TheFileAppearsWhole_OnlyWhenTheJobFinishes) {
    testing_support::TempFolder folder;
    const std::string target = folder.path("out.pdf");
    auto sink = FileJobSink::create(target);
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(fs::path(sink->partialPath()).parent_path(), fs::path(folder.path()))
        << "written beside the target, so that the rename cannot cross file systems";
    ASSERT_TRUE(write(*sink, "%PDF-1.5 first part, "));
    ASSERT_TRUE(write(*sink, "second part"));
    EXPECT_FALSE(fs::exists(target));
    ASSERT_TRUE(sink->finish());
    EXPECT_EQ(testing_support::readWholeFile(target), "%PDF-1.5 first part, second part");
    EXPECT_EQ(folder.entries(), 1u) << "no partial file is left";
}

TEST(FileJobSink, CancelledOrAbandonedJobsLeaveNoFileAndKeepTheOldOne) {
    testing_support::TempFolder folder;
    const std::string target = folder.path("out.pdf");
    {
        auto sink = FileJobSink::create(folder.path("new.pdf"));
        ASSERT_TRUE(write(*sink, "half a document"));
        sink->cancel();
        sink->cancel();  // a second cancel does nothing
        EXPECT_FALSE(sink->finish());
    }
    EXPECT_EQ(folder.entries(), 0u);

    std::ofstream(target) << "the previous print";
    {
        auto sink = FileJobSink::create(target);
        ASSERT_TRUE(write(*sink, "half a document"));
    }  // destroyed without finish, as when the process fails part-way
    EXPECT_EQ(testing_support::readWholeFile(target), "the previous print");
    EXPECT_EQ(folder.entries(), 1u);
}

TEST(FileJobSink, FinishedFileGetsTheUsualPermissionsOrThoseOfTheFileItReplaces) {
    testing_support::TempFolder folder;
    const mode_t old = umask(027);
    auto sink = FileJobSink::create(folder.path("out.pdf"));
    umask(old);
    ASSERT_NE(sink, nullptr);
    ASSERT_TRUE(sink->finish());
    struct stat info;
    ASSERT_EQ(stat(folder.path("out.pdf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // A file it replaces keeps its own: a private print stays private.
    ASSERT_EQ(chmod(folder.path("out.pdf").c_str(), 0600), 0);
    auto again = FileJobSink::create(folder.path("out.pdf"));
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(again->finish());
    ASSERT_EQ(stat(folder.path("out.pdf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(FileJobSink, FailsWithTheSystemErrorWhenTheFolderIsGone) {
    testing_support::TempFolder folder;
    SetLastError(0);
    EXPECT_EQ(FileJobSink::create(folder.path("gone/out.pdf")), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOENT));

    auto sink = FileJobSink::create(folder.path("sub.pdf"));
    ASSERT_NE(sink, nullptr);
    fs::remove_all(folder.path());
    EXPECT_FALSE(sink->finish()) << "the rename into a removed folder fails";
}
