// UTF-8 <-> UTF-16 conversion: the owned converters of the core and the
// Windows-shaped functions beneath them (size queries, the counted NUL,
// replacement of invalid input, short buffers, unsupported code pages).
#include <gtest/gtest.h>

#include <string>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "posix/winapi/Utf.h"

namespace {

using plat::NarrowChars;
using plat::WideChars;

// ASCII, 2-, 3- and 4-byte characters (the last one a surrogate pair in UTF-16).
const char kMixedUtf8[] = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80 \xE6\x97\xA5";
const char16_t kMixedUtf16[] = u"Gr\u00FC\u00DF \u20AC \U0001F600 \u65E5";

std::u16string wide(const char* narrow, int length = -1) {
    WideChars converted(narrow, CP_UTF8, length);
    return converted.get() ? std::u16string(converted.get()) : u"<null>";
}

std::string narrow(const char16_t* text, int length = -1) {
    NarrowChars converted(text, CP_UTF8, length);
    return converted.get() ? std::string(converted.get()) : "<null>";
}

TEST(CodePageConversion, RoundTripsNonAsciiTextIncludingSurrogatePairs) {
    EXPECT_EQ(wide(kMixedUtf8), kMixedUtf16);
    EXPECT_EQ(narrow(kMixedUtf16), kMixedUtf8);
    EXPECT_EQ(posix::toUtf16(kMixedUtf8), kMixedUtf16);
    EXPECT_EQ(posix::toUtf8(kMixedUtf16), kMixedUtf8);
    EXPECT_EQ(wide("abcdef", 3), u"abc");
}

TEST(CodePageConversion, NullStaysNullAndEmptyBecomesAnEmptyString) {
    EXPECT_EQ(WideChars(static_cast<const char*>(nullptr)).get(), nullptr);
    EXPECT_EQ(NarrowChars(static_cast<const WCHAR*>(nullptr)).get(), nullptr);
    EXPECT_EQ(wide(""), u"");
    EXPECT_EQ(narrow(u""), "");
}

TEST(InvalidUtf8, IsReplacedByteByByteWithoutSwallowingWhatFollows) {
    EXPECT_EQ(wide("a\x80" "b"), u"a\uFFFDb");       // stray continuation byte
    EXPECT_EQ(wide("\xE2\x82X"), u"\uFFFDX");         // cut 3-byte sequence
    EXPECT_EQ(wide("ok\xF0\x9F\x98"), u"ok\uFFFD");   // cut at the end
    EXPECT_EQ(wide("\xFF"), u"\uFFFD");
}

TEST(InvalidUtf8, RejectsOverlongFormsEncodedSurrogatesAndValuesAboveTheRange) {
    EXPECT_EQ(wide("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(wide("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(wide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");           // U+D800
    EXPECT_EQ(wide("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // U+110000
    EXPECT_EQ(wide("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
}

TEST(UnpairedSurrogates, BecomeTheThreeByteReplacementInUtf8) {
    const char16_t loneHigh[] = {u'a', 0xD800, u'b', 0};
    const char16_t reversed[] = {0xDE00, 0xD83D, 0};
    EXPECT_EQ(narrow(loneHigh), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(narrow(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(narrow(u"\U0001F600", 1), "\xEF\xBF\xBD");   // pair cut by the length
}

TEST(CodePageFunctions, CountTheNulForMinusOneAndAnswerSizeQueries) {
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0), 2);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, nullptr, 0, nullptr, nullptr), 4);
    WCHAR out[3];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\0b", 3, out, 3), 3);
    EXPECT_EQ(std::u16string(out, 3), std::u16string(u"a\0b", 3));
}

TEST(CodePageFunctions, FailOnATooSmallBufferWithoutWritingPastIt) {
    char out[4] = {'x', 'x', 'x', 'x'};
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, out, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, out, 3, nullptr, nullptr), 3);
    EXPECT_EQ(std::string(out, 4), "\xE2\x82\xAC" "x");
    WCHAR wideOut[3] = {7, 7, 7};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wideOut, 2), 0);
    EXPECT_EQ(wideOut[2], 7);
}

TEST(CodePageFunctions, RefuseOtherCodePagesAndBadArguments) {
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WideCharToMultiByte(437, 0, u"abc", -1, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 5), 0);
}

TEST(CodePageConversion, FailureThrowsSystemExceptionNamedAfterTheDirection) {
    try {
        WideChars converted("abc", 1252);
        FAIL() << "an unsupported code page must not convert";
    } catch (const plat::SystemException& e) {
        EXPECT_EQ(std::string(e.message).rfind("MB2W: ", 0), 0u) << e.message;
        EXPECT_EQ(e.errorCode, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    try {
        NarrowChars converted(WIDE("abc"), 1252);
        FAIL() << "an unsupported code page must not convert";
    } catch (const plat::SystemException& e) {
        EXPECT_EQ(std::string(e.message).rfind("W2MB: ", 0), 0u) << e.message;
    }
}

}  // namespace
