// The sandbox's fixtures are declared once, in
// scripts/print-sandbox.d/fixtures.txt: what `scripts/print-sandbox env`
// exports, what Sandbox.cpp reads and the list in docs/testing.md are each
// held to that table.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

const std::string kSource = QUORLEX_SOURCE_DIR;
const std::string kTable = kSource + "/scripts/print-sandbox.d/fixtures.txt";

struct Fixture {
    std::string variable;
    std::string kind;
    std::string made;      // always, or root
    std::string purpose;
};

// The table's lines, comments and blank lines left out.
std::vector<Fixture> tableFixtures() {
    std::vector<Fixture> fixtures;
    std::istringstream lines(readFile(kTable));
    for (std::string line; std::getline(lines, line);) {
        Fixture fixture;
        std::istringstream words(line);
        if (!(words >> fixture.variable) || fixture.variable.front() == '#') continue;
        words >> fixture.kind >> fixture.made >> std::ws;
        std::getline(words, fixture.purpose);
        fixtures.push_back(fixture);
    }
    return fixtures;
}

// The kinds whose value is a list of names apart by spaces.
bool isListKind(const std::string& kind) { return kind == "queues" || kind == "drivers"; }

std::vector<std::string> variablesOf(const std::vector<Fixture>& fixtures) {
    std::vector<std::string> names;
    for (const Fixture& fixture : fixtures) names.push_back(fixture.variable);
    return names;
}

std::vector<std::string> variablesOf(const std::vector<sandbox::FixtureField>& fields) {
    std::vector<std::string> names;
    for (const sandbox::FixtureField& field : fields) names.push_back(field.variable);
    return names;
}

// The names one list has and the other lacks, for a failure's message.
std::string difference(const std::vector<std::string>& from, const std::vector<std::string>& without) {
    const std::set<std::string> others(without.begin(), without.end());
    std::string missing;
    for (const std::string& name : from) {
        if (!others.count(name)) missing += " " + name;
    }
    return missing.empty() ? " (none)" : missing;
}

TEST(SandboxFixtures, TableDeclaresEachFixtureOnceWithItsKindAndPurpose) {
    const std::set<std::string> kinds = {"socket", "folder", "queue", "queues", "class", "uri", "spool",
                                         "attributes", "drivers", "server", "user", "password"};
    const std::vector<Fixture> fixtures = tableFixtures();
    ASSERT_FALSE(fixtures.empty()) << kTable;
    std::set<std::string> seen;
    for (const Fixture& fixture : fixtures) {
        EXPECT_TRUE(seen.insert(fixture.variable).second) << fixture.variable << " is declared twice";
        EXPECT_TRUE(kinds.count(fixture.kind)) << fixture.variable << ": unknown kind \"" << fixture.kind << "\"";
        EXPECT_TRUE(fixture.made == "always" || fixture.made == "root")
            << fixture.variable << ": made \"" << fixture.made << "\", not always or root";
        EXPECT_FALSE(fixture.purpose.empty()) << fixture.variable << " does not say what it is for";
    }
}

TEST(SandboxFixtures, TestsReadEveryFixtureOfTheTableAndNoOther) {
    const std::vector<Fixture> fixtures = tableFixtures();
    const std::vector<sandbox::FixtureField> fields = sandbox::fixtureFields(sandbox::Environment{});
    const std::vector<std::string> declared = variablesOf(fixtures), read = variablesOf(fields);
    EXPECT_EQ(read, declared) << "Sandbox.cpp does not read:" << difference(declared, read)
                              << "\nSandbox.cpp reads, and the table lacks:" << difference(read, declared);
    for (const Fixture& fixture : fixtures) {
        for (const sandbox::FixtureField& field : fields) {
            if (field.variable != fixture.variable) continue;
            EXPECT_EQ(field.list, isListKind(fixture.kind))
                << fixture.variable << " is of kind " << fixture.kind << ", and Sandbox.cpp reads it as "
                << (field.list ? "a list" : "one text");
        }
    }
}

TEST(SandboxFixtures, DocsListEveryFixtureOfTheTableAndNoOther) {
    // The list: the rows of the table under "## The fixtures" in docs/testing.md.
    const std::string docs = readFile(kSource + "/docs/testing.md");
    const size_t section = docs.find("\n## The fixtures\n");
    ASSERT_NE(section, std::string::npos) << "docs/testing.md has no section \"The fixtures\"";
    const size_t next = docs.find("\n#", section + 1);
    std::istringstream lines(docs.substr(section, next == std::string::npos ? std::string::npos : next - section));
    std::vector<std::string> listed;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("| `", 0) == 0) listed.push_back(line);
    }
    std::vector<std::string> expected;
    std::string expectedText;
    for (const Fixture& fixture : tableFixtures()) {
        expected.push_back("| `" + fixture.variable + "` | " + fixture.kind + " | " + fixture.made + " | " +
                           fixture.purpose + " |");
        expectedText += expected.back() + "\n";
    }
    EXPECT_EQ(listed, expected) << "docs/testing.md's list of the fixtures should read:\n" << expectedText;
}

TEST(SandboxFixtures, EnvExportsTheFixturesOfTheTableAsTheTestsReadThem) {
    QUORLEX_REQUIRE_SANDBOX();
    const RunResult result = sandbox::shell("'" + kSource + "/scripts/print-sandbox' env");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // export NAME='VALUE', one a line.
    std::vector<std::pair<std::string, std::string>> exported;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        ASSERT_TRUE(line.rfind("export ", 0) == 0 && equals != std::string::npos && line.size() >= equals + 3 &&
                    line[equals + 1] == '\'' && line.back() == '\'')
            << "not an export: " << line;
        exported.emplace_back(line.substr(7, equals - 7), line.substr(equals + 2, line.size() - equals - 3));
    }
    // Every fixture, in the table's order, but those made as root only that
    // this sandbox did not make.
    const std::vector<sandbox::FixtureField> fields = sandbox::fixtureFields(*sandbox::environment());
    size_t next = 0;
    for (const Fixture& fixture : tableFixtures()) {
        std::string read;
        for (const sandbox::FixtureField& field : fields) {
            if (field.variable == fixture.variable) read = field.value;
        }
        if (next < exported.size() && exported[next].first == fixture.variable) {
            EXPECT_EQ(read, exported[next].second)
                << fixture.variable << ": the tests read another value than the sandbox exports"
                   " (was `eval \"$(scripts/print-sandbox env)\"` run after its start?)";
            ++next;
        } else {
            EXPECT_EQ(fixture.made, "root") << fixture.variable << " is not exported where the table has it";
            EXPECT_EQ(read, "") << fixture.variable << " is read though the sandbox does not export it";
        }
    }
    for (; next < exported.size(); ++next)
        ADD_FAILURE() << exported[next].first << " is exported, and the table lacks it or has it elsewhere";
}

}  // namespace
}  // namespace itest
