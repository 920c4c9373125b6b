// The exception family: fixed 256-byte messages that never overflow, and the
// system error text appended by SystemException.
#include <cups/ipp.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "plat/Exception.h"
#include "plat/OsVersion.h"
#include "plat/StartupFailures.h"
#include "plat/Strings.h"
#include "posix/winapi/LastError.h"

namespace {

using plat::Exception;
using plat::SystemException;

std::string systemText(DWORD code) {
    WCHAR text[256];
    text[FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, 256, nullptr)] = 0;
    return plat::NarrowChars(text).get();
}

TEST(ExceptionMessage, IsEmptyForNullAndCutAt255CharactersWhetherPlainOrFormatted) {
    EXPECT_STREQ(Exception(nullptr).message, "");
    std::string longText(300, 'q');
    EXPECT_EQ(std::string(Exception(longText.c_str()).message), longText.substr(0, 255));
    plat::ExceptionFmt cut("%s-tail", longText.c_str());
    EXPECT_EQ(std::string(cut.message), longText.substr(0, 255));
    EXPECT_STREQ(plat::ExceptionFmt("Unable to load PDF document: %i", 3).message,
                 "Unable to load PDF document: 3");
}

TEST(ExceptionMessage, AssertionNamesConditionSourceAndLineAndTakesADetail) {
    plat::AssertionFail a("v", "Configuration", 443);
    a.appendDetail("setParam(<null>) for %s not allowed", "Log");
    EXPECT_STREQ(a.message,
                 "Assertion 'v' failed at Configuration:443: setParam(<null>) for Log not allowed");
    Exception full(std::string(254, 'a').c_str());
    full.appendDetail("more");
    EXPECT_EQ(std::string(full.message), std::string(254, 'a') + ":");
}

TEST(SystemExceptionMessage, UsesTheFixedSocketTextsWithASeparatorOnlyAfterCallerText) {
    EXPECT_STREQ(SystemException("", 10061).message, "Connection refused (10061)");
    EXPECT_STREQ(SystemException("Connect", 10054).message,
                 "Connect: Connection reset by peer (10054)");
}

TEST(SystemExceptionMessage, AppendsTheSystemTextAndTheCodeInDecimalOrHex) {
    SetLastError(0);
    ASSERT_FALSE(systemText(2).empty());
    EXPECT_EQ(std::string(SystemException("CreateDC", 2).message),
              "CreateDC: " + systemText(2) + " (2)");
    // No text for the code: the separator and the code remain.
    EXPECT_STREQ(SystemException("Probe", 10057).message, "Probe:  (10057)");
    std::string hex = SystemException("Call", 0x80070005u).message;
    EXPECT_EQ(hex.substr(hex.size() - 11), " (80070005)");
}

TEST(SystemExceptionMessage, RemovesOnlyATrailingCrLf) {
    posix::setLastErrorText(ERROR_FILE_NOT_FOUND, "line one\r\nline two\r\n");
    EXPECT_STREQ(SystemException("Open", ERROR_FILE_NOT_FOUND).message,
                 "Open: line one\r\nline two (2)");
    SetLastError(0);
}

TEST(SystemExceptionMessage, NeverOverflowsYetAlwaysStoresTheCode) {
    std::string full(255, 'c');
    SystemException noRoom(full.c_str(), 10061);
    EXPECT_EQ(std::string(noRoom.message), full);
    EXPECT_EQ(noRoom.errorCode, 10061u);

    posix::setLastErrorText(ERROR_FILE_NOT_FOUND, std::string(300, 't'));
    SystemException longText("Open", ERROR_FILE_NOT_FOUND);
    SetLastError(0);
    EXPECT_EQ(std::strlen(longText.message), 255u);
}

TEST(SystemErrorText, IppCodesGiveTheStatusTextUnlessATextWasRemembered) {
    SetLastError(0);
    DWORD code = QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_NOT_FOUND;
    std::string suffix = " (" + std::to_string(code) + ")";
    EXPECT_EQ(std::string(SystemException("Print", code).message),
              "Print: " + std::string(ippErrorString(IPP_STATUS_ERROR_NOT_FOUND)) + suffix);
    posix::setLastErrorText(code, "The printer is gone");
    EXPECT_EQ(std::string(SystemException("Print", code).message),
              "Print: The printer is gone" + suffix);
    // The next error on the thread forgets the text.
    SetLastError(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(std::string(SystemException("Print", code).message).find("gone"), std::string::npos);
    SetLastError(0);
}

}  // namespace

// A start-up object that fails keeps its failure for the run to report,
// instead of ending the process before the entry function runs.
TEST(StartupFailures, TheFirstFailureIsKeptAndNothingEscapes) {
    if (plat::startupFailure() == nullptr) {
        plat::duringStartup([] { throw plat::ExceptionFmt("unable to %s", "start"); });
        plat::duringStartup([] { throw std::runtime_error("a later one"); });
        ASSERT_NE(plat::startupFailure(), nullptr);
        EXPECT_STREQ(plat::startupFailure(), "unable to start");
    }
    // The program's own start-up objects failed in nothing here.
    plat::OsVersion record(plat::atStartup);
    EXPECT_NE(record.info.dwOSVersionInfoSize, 0u);
}
