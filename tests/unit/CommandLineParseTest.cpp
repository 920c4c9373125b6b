// The command-line grammar: option matching, operands taken verbatim,
// later options acting on earlier ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/JobSettings.h"

namespace {

class CommandLineParse : public testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        pdfFileName.assign(nullptr);
        printerName.assign(nullptr);
        documentTitle.assign(nullptr);
        scaleFlag = false;
    }
    static void parse(std::vector<std::string> args) {
        args.insert(args.begin(), "quorlex");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        parseCommandLine(static_cast<int>(args.size()), argv.data());
    }
    static std::string job() {
        auto text = [](const char* s) { return s ? std::string(s) : std::string("<null>"); };
        return text(pdfFileName) + "|" + text(printerName) + "|" + text(documentTitle) +
               (scaleFlag ? "|scaled" : "");
    }
};

}  // namespace

TEST_F(CommandLineParse, OptionsMatchIgnoringCase) {
    parse({"-PrintPDF", "a.pdf", "P", "T", "-SCALE"});
    EXPECT_EQ(job(), "a.pdf|P|T|scaled");
}

TEST_F(CommandLineParse, OperandsAreVerbatimEvenWhenTheyLookLikeOptions) {
    parse({"-printpdf", "-scale", "-console", "Log=x:y:z"});
    EXPECT_EQ(job(), "-scale|-console|Log=x:y:z");
}

TEST_F(CommandLineParse, LaterPrintPdfReplacesAllOperandsAndScaleMayComeAnywhere) {
    parse({"-scale", "-printpdf", "a.pdf", "P", "T", "-printpdf", "b.pdf", "Q", "U"});
    EXPECT_EQ(job(), "b.pdf|Q|U|scaled");
}

TEST_F(CommandLineParse, UnhandledOptionsDoNotConsumeTheFollowingArguments) {
    parse({"-printini", "-printpdf", "a.pdf", "P", "T", "-dontclean"});
    EXPECT_EQ(job(), "a.pdf|P|T");
}
