// $NAME and ${NAME} references: every rule of the scan, the lookup order,
// undefined variables, and text that ends inside a reference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "plat/Exception.h"
#include "plat/ExpandParameter.h"
#include "plat/Strings.h"
#include "support/Environment.h"

namespace {

using testsupport::clearVariable;
using testsupport::setVariable;

const std::map<std::string, std::string> kVariables = {
    {"TEMP", "/tmp/t"}, {"EMPTY", ""}, {"A B", "ab"}, {"X$Y", "xy"}, {"Ü", "u"},
    {"QUORLEX_TEST_SHADOWED", "table"}};

std::string expand(const char* text) {
    return plat::HeapArray<char>(plat::expandVariables(text, kVariables)).get();
}

TEST(ExpandVariables, ReplacesReferencesByTheScanRules) {
    struct Case {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"C:\\temp\\quorlex.log", "C:\\temp\\quorlex.log"},
        {"$TEMP\\x.log", "/tmp/t\\x.log"},
        {"${TEMP}\\x.log", "/tmp/t\\x.log"},
        {"$TEMP}\\x.log", "/tmp/t\\x.log"},
        {"${TEMP}}\\x.log", "/tmp/t}\\x.log"},
        {"$TEMP2", "/tmp/t2"},
        {"$1", "$1"},
        {"${}", "$"},
        {"${}}", "$}"},
        {"$$", "$$"},
        {"$}", "$"},
        {"end$", "end$"},
        {"${A B}", "ab"},
        {"${X$Y}", "xy"},
        {"${Ü}/ü", "u/ü"},
        {"a${EMPTY}b$EMPTY.c", "ab.c"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(expand(c.text), c.expanded) << c.text;
}

TEST(ExpandVariables, UnterminatedBraceKeepsTheRestAsWritten) {
    EXPECT_EQ(expand("$TEMP/${TEMP"), "/tmp/t/${TEMP");
    EXPECT_EQ(expand("${"), "${");
    EXPECT_EQ(expand("x${"), "x${");
    EXPECT_EQ(expand("${NOT_DEFINED_ANYWHERE"), "${NOT_DEFINED_ANYWHERE");
}

TEST(ExpandVariables, TableWinsOverEnvironmentAndUndefinedIsAnError) {
    setVariable("QUORLEX_TEST_SHADOWED", "environment");
    setVariable("QUORLEX_TEST_ONLY_ENV", "env");
    EXPECT_EQ(expand("$QUORLEX_TEST_SHADOWED/$QUORLEX_TEST_ONLY_ENV"), "table/env");
    clearVariable("QUORLEX_TEST_ONLY_ENV");
    clearVariable("QUORLEX_TEST_SHADOWED");
    try {
        expand("ok/${QUORLEX_TEST_ONLY_ENV}/x");
        ADD_FAILURE() << "undefined variable accepted";
    } catch (const plat::Exception& e) {
        EXPECT_STREQ(e.message, "unknown environment variable: QUORLEX_TEST_ONLY_ENV");
    }
}

TEST(ExpandParameter, KeepsTheRawTextAndExpandsOnRequest) {
    plat::ParameterSet set("Test");
    plat::ExpandParameter path("Path", "", "$QUORLEX_TEST_HOME/${QUORLEX_TEST_HOME}", false, &set);
    setVariable("QUORLEX_TEST_HOME", "/home/q");
    EXPECT_STREQ(plat::HeapArray<char>(path.getValueStr()).get(),
                 "$QUORLEX_TEST_HOME/${QUORLEX_TEST_HOME}");
    EXPECT_STREQ(plat::HeapArray<char>(path.getExpandedValue()).get(), "/home/q//home/q");
    path.variables["QUORLEX_TEST_HOME"] = "/own";
    EXPECT_STREQ(plat::HeapArray<char>(path.getExpandedValue()).get(), "/own//own");
    clearVariable("QUORLEX_TEST_HOME");
}

}  // namespace
