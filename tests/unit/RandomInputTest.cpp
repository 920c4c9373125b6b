// Seeded random and structured-random input for everything that reads text
// from the command line or converts it: arguments, the Log value, variable
// expansion and the UTF-8/UTF-16 conversions. Run under the sanitizers, these
// catch reads past the end and crashes; the checks catch wrong results.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "plat/Exception.h"
#include "plat/ExpandParameter.h"
#include "plat/LogParameter.h"
#include "plat/Strings.h"
#include "support/LogTestSupport.h"

namespace {

constexpr int kIterations = 4000;

struct Random {
    std::mt19937 engine{20241208u};
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine); }
    // Text of up to maxLength pieces taken from pieces.
    std::string from(const std::vector<std::string>& pieces, int maxLength) {
        std::string out;
        for (int n = below(maxLength + 1); n > 0; --n) out += pieces[below(int(pieces.size()))];
        return out;
    }
    // Any bytes but NUL.
    std::string bytes(int maxLength) {
        std::string out;
        for (int n = below(maxLength + 1); n > 0; --n) out.push_back(char(1 + below(255)));
        return out;
    }
};

std::string lower(std::string s) {
    for (char& c : s) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return s;
}

TEST(RandomInput, ArgumentsSetExactlyTheNamedParameter) {
    plat::ParameterSet set("Test");
    plat::StringParameter log("Log", "", "", true, &set);
    plat::StringParameter logFile("LogFile", "", "", false, &set);
    Random random;
    const std::vector<std::string> pieces = {"-", "=", "L", "o", "g", "F", "i", "l", "e", "x", ":"};
    for (int i = 0; i < kIterations; ++i) {
        std::string arg = i % 4 == 0 ? random.bytes(24) : random.from(pieces, 12);
        size_t start = arg.rfind("--", 0) == 0 ? 2 : arg.rfind("-", 0) == 0 ? 1 : 0;
        size_t equals = arg.find('=', start);
        std::string name = equals == std::string::npos ? "" : lower(arg.substr(start, equals - start));
        plat::StringParameter* target = name == "log" ? &log : name == "logfile" ? &logFile : nullptr;
        ASSERT_EQ(set.processArg(arg.c_str(), 0), target != nullptr) << arg;
        if (target != nullptr) {
            ASSERT_STREQ(target->value, arg.c_str() + equals + 1) << arg;
        }
    }
}

TEST(RandomInput, LogValuesLeaveEveryWriterOnARegisteredTargetOrNone) {
    testsupport::registerProgramTargets();
    testsupport::SavedLogState saved;
    plat::fileLogger.setFileName(nullptr);   // nothing reaches the disk
    FILE* quietStdout = tmpfile();
    plat::stdoutLogger.setStream(quietStdout);
    testsupport::StderrCapture quietStderr;

    Random random;
    const std::vector<std::string> pieces = {"main", "*", "Config", "MAIN", "stderr", "stdout",
                                             "file", "nowhere", ":", ":", ",", "100", "-1", " ",
                                             "99999999999", "x", "\xff"};
    for (int i = 0; i < kIterations; ++i) {
        std::string value = i % 4 == 0 ? random.bytes(40) : random.from(pieces, 14);
        logParameter.setParam(value.c_str());
        for (plat::LogWriter* w = plat::LogWriter::head(); w != nullptr; w = w->next) {
            plat::Logger* t = w->logger;
            ASSERT_TRUE(t == nullptr || t == &plat::stderrLogger || t == &plat::stdoutLogger ||
                        t == &plat::fileLogger)
                << value;
            if (value.find(':') == std::string::npos) {
                ASSERT_EQ(t, nullptr) << value;
            }
        }
    }
    quietStderr.text();
    plat::stdoutLogger.setStream(stdout);
    fclose(quietStdout);
}

TEST(RandomInput, ExpansionStaysWithinTheTextAndKeepsPlainTextUnchanged) {
    const std::map<std::string, std::string> variables = {{"A", "1"}, {"B", ""}, {"AB", "ab ab"},
                                                          {"_", "u"}, {"A}", "never"}};
    Random random;
    const std::vector<std::string> pieces = {"$", "{", "}", "A", "B", "_", "1", "/", "x"};
    for (int i = 0; i < kIterations; ++i) {
        std::string text = i % 4 == 0 ? random.bytes(30) : random.from(pieces, 16);
        try {
            plat::HeapArray<char> out(plat::expandVariables(text.c_str(), variables));
            if (text.find('$') == std::string::npos) {
                ASSERT_EQ(text, out.get());
            }
        } catch (const plat::Exception& e) {
            ASSERT_EQ(std::string(e.message).rfind("unknown environment variable: ", 0), 0u);
        }
    }
}

TEST(RandomInput, ConversionsRoundTripValidTextAndReplaceInvalidText) {
    Random random;
    for (int i = 0; i < kIterations; ++i) {
        // Valid UTF-8 from random code points, surrogates excluded.
        std::u16string units;
        for (int n = random.below(12); n > 0; --n) {
            char32_t cp = char32_t(1 + random.below(0x10FFFF));
            if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
            if (cp < 0x10000) {
                units.push_back(char16_t(cp));
            } else {
                units.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
                units.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            }
        }
        plat::NarrowChars utf8(units.c_str());
        plat::WideChars back(utf8.get());
        ASSERT_EQ(std::u16string(back.get()), units);

        // Arbitrary bytes and lone surrogates: replaced, never failed, and
        // what comes out converts back to itself.
        std::string bytes = random.bytes(24);
        plat::WideChars wide(bytes.c_str());
        plat::NarrowChars narrow(wide.get());
        ASSERT_STREQ(plat::NarrowChars(plat::WideChars(narrow.get()).get()).get(), narrow.get());
        int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), -1, nullptr, 0);
        ASSERT_EQ(size_t(needed), plat::wideLength(wide.get()) + 1) << "size query counts the NUL";

        std::u16string loose;
        for (int n = random.below(10); n > 0; --n) loose.push_back(char16_t(1 + random.below(0xFFFF)));
        plat::NarrowChars fromLoose(loose.c_str());
        int bytesNeeded = WideCharToMultiByte(CP_UTF8, 0, loose.c_str(), -1, nullptr, 0, nullptr,
                                              nullptr);
        ASSERT_EQ(size_t(bytesNeeded), strlen(fromLoose.get()) + 1);
        ASSERT_STREQ(plat::NarrowChars(plat::WideChars(fromLoose.get()).get()).get(), fromLoose.get());
    }
}

}  // namespace
