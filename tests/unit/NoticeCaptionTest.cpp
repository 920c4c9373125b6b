// The notice: its caption rules, the flags and texts handed to the desktop
// dialog, the buttons it reports, and that no display means no wait.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Notice.h"

namespace {

class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) value_ = v;
    }
    ~SavedVariable() {
        if (value_) setenv(name_, value_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> value_;
};

// Fake dialog programs in a private PATH record their arguments (one per
// line, NUL-separated) and their standard input, and exit with a status
// the test chooses.
class NoticeTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorlex-notice-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        // Only the fakes: a dialog program installed here must not be picked.
        setenv("PATH", dir_.c_str(), 1);
        setenv("DISPLAY", ":4242", 1);
        unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void fakeTool(const std::string& name, int status) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" << dir_
                            << "/args'\n/bin/cat > '" << dir_ << "/input'\nexit " << status << "\n";
        chmod(path.c_str(), 0755);
    }
    std::vector<std::string> arguments() const { return split(read("args")); }
    std::string read(const std::string& name) const {
        std::ostringstream s;
        s << std::ifstream(dir_ + "/" + name).rdbuf();
        return s.str();
    }
    static std::vector<std::string> split(const std::string& text) {
        std::vector<std::string> parts;
        std::string part;
        for (char c : text) {
            if (c == '\0') parts.push_back(std::move(part)), part.clear();
            else part.push_back(c);
        }
        return parts;
    }
    bool hasArgument(const std::string& wanted) const {
        for (const auto& a : arguments())
            if (a == wanted) return true;
        return false;
    }

    SavedVariable path_{"PATH"}, display_{"DISPLAY"}, wayland_{"WAYLAND_DISPLAY"};
    std::string dir_;
};

}  // namespace

TEST_F(NoticeTest, CaptionIsTitleIconWordAndCaptionTextAndTheTextArrivesUnchanged) {
    fakeTool("zenity", 0);
    struct Case {
        UINT type;
        const char* caption;
        const char* expected;
    } cases[] = {
        {MB_ICONERROR, nullptr, "--title=Quorlex: Error: "},
        {MB_ICONWARNING, "Job 7", "--title=Quorlex: Warning: Job 7"},
        {MB_ICONINFORMATION, nullptr, "--title=Quorlex: Information: "},
        {0, nullptr, "--title=Quorlex: "},
        {0x50, "x", "--title=Quorlex: x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(showMessage(nullptr, "text", c.type, c.caption), IDOK);
        EXPECT_TRUE(hasArgument(c.expected)) << c.expected;
    }
    // The text arrives whole and unchanged: no shell, no markup.
    const std::string text = "Unable to open \"$HOME\" `id`; <b>bold</b> & \u00fcml\u00e4ut \u2713";
    showMessage(nullptr, text.c_str(), MB_ICONERROR, nullptr);
    EXPECT_EQ(arguments(), (std::vector<std::string>{"--error", "--no-markup", "--title=Quorlex: Error: ",
                                                     "--text=" + text}));
}

TEST_F(NoticeTest, YesNoQuestionKeepsItsButtonsAndReportsThePressedOne) {
    fakeTool("zenity", 0);
    EXPECT_EQ(showMessage(nullptr, "Go on?", MB_YESNO | MB_ICONQUESTION, nullptr), IDYES);
    EXPECT_TRUE(hasArgument("--question"));
    EXPECT_TRUE(hasArgument("--title=Quorlex: Question: "));
    fakeTool("zenity", 1);
    EXPECT_EQ(showMessage(nullptr, "Go on?", MB_YESNO | MB_ICONQUESTION, nullptr), IDNO);
}

TEST_F(NoticeTest, XmessageIsUsedWhenNothingElseCanBeStartedAndGetsTheTextOnItsInput) {
    // A zenity that cannot be executed is passed over.
    std::ofstream(dir_ + "/zenity") << "not a program";
    chmod((dir_ + "/zenity").c_str(), 0755);
    fakeTool("xmessage", 101);
    EXPECT_EQ(showMessage(nullptr, "-file /etc/passwd", MB_ICONERROR, nullptr), IDOK);
    std::vector<std::string> args = arguments();
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args[0], "-title");
    EXPECT_EQ(args[1], "Quorlex: Error: ");
    EXPECT_EQ(read("input"), "-file /etc/passwd\n");
    // xmessage's own failure status is no button.
    fakeTool("xmessage", 1);
    EXPECT_EQ(showMessage(nullptr, "x", MB_ICONERROR, nullptr), 0);
}

TEST_F(NoticeTest, WithoutDisplayNothingIsStartedAndTheResultIsZero) {
    fakeTool("zenity", 0);
    unsetenv("DISPLAY");
    EXPECT_EQ(showMessage(nullptr, "x", MB_ICONERROR, nullptr), 0);
    EXPECT_FALSE(std::ifstream(dir_ + "/args").good());
}
