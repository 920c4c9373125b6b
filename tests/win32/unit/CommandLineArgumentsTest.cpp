// The arguments reach the core in UTF-8, read from the wide command line:
// file names, printer names and titles in Cyrillic, CJK or with an emoji
// arrive whole, not as the ANSI code page's "?".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/CommandLineArguments.h"

namespace {

std::vector<std::string> argumentsOf(const wchar_t* commandLine) {
    win32::Utf8Arguments arguments(commandLine);
    EXPECT_TRUE(arguments.valid());
    std::vector<std::string> texts(arguments.vector(), arguments.vector() + arguments.count());
    EXPECT_EQ(arguments.vector()[arguments.count()], nullptr);
    return texts;
}

TEST(Utf8Arguments, NamesAndTitlesBeyondAsciiArriveWholeInUtf8) {
    EXPECT_EQ(argumentsOf(L"quorlex.exe -printpdf \"C:\\\\\u041e\u0442\u0447\u0451\u0442\\\\\u6587\u66f8 \U0001F600.pdf\" "
                          L"\u041f\u0440\u0438\u043d\u0442\u0435\u0440 \"\u0421\u0447\u0451\u0442 \u8acb\u6c42\u66f8 \U0001F9FE\""),
              (std::vector<std::string>{"quorlex.exe", "-printpdf",
                                        "C:\\\\Отчёт\\\\文書 \xF0\x9F\x98\x80.pdf", "Принтер",
                                        "Счёт 請求書 \xF0\x9F\xA7\xBE"}));
}

TEST(Utf8Arguments, QuotesAndBackslashesSplitAsTheSystemSplitsThem) {
    EXPECT_EQ(argumentsOf(L"q.exe \"a b\" c\\\\d \"e\\\"f\" \"\""),
              (std::vector<std::string>{"q.exe", "a b", "c\\\\d", "e\"f", ""}));
}

TEST(Utf8Arguments, AnUnpairedSurrogateBecomesTheReplacementCharacterAndTheRestArrives) {
    // No UTF-8 holds it; the argument is still there, in its place.
    EXPECT_EQ(argumentsOf(L"q.exe a\xD83D" L"b title"),
              (std::vector<std::string>{"q.exe", "a\xEF\xBF\xBD" "b", "title"}));
}

}  // namespace
