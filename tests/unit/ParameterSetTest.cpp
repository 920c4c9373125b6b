// Parameters set by name from arguments under the priority rule, their
// change callbacks, the parameter lock and the refusal of null values.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "plat/Configuration.h"
#include "plat/Exception.h"
#include "plat/LogParameter.h"
#include "plat/LogTargets.h"
#include "plat/Strings.h"

namespace {

std::string valueOf(plat::VoidParameter& p) { return plat::HeapArray<char>(p.getValueStr()).get(); }

// True when another thread can take the parameter lock within a second. The
// helper thread is joined once it got the lock and left behind only when it
// is stuck on it, so a lock wrongly held fails the test instead of hanging
// it. (Detached threads of MinGW's winpthreads sometimes never start under
// Wine.)
bool parameterLockFreeForOthers() {
    auto taken = std::make_shared<std::atomic<bool>>(false);
    std::thread helper([taken] {
        plat::enterParameterLock();
        plat::leaveParameterLock();
        *taken = true;
    });
    for (int i = 0; i < 100 && !*taken; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (*taken) helper.join(); else helper.detach();
    return *taken;
}

struct CountingCallback : plat::ParameterChangedCallback {
    int calls = 0;
    std::string seen;
    bool lockFree = false;
    void parameterChanged(plat::VoidParameter* p) override {
        ++calls;
        seen = valueOf(*p);
        lockFree = parameterLockFreeForOthers();
    }
};

class ParameterSetTest : public ::testing::Test {
protected:
    plat::ParameterSet set{"Test"};
    plat::StringParameter log{"Log", "routing", "", true, &set};
    plat::StringParameter logFile{"LogFile", "file name", "default", false, &set};
};

TEST_F(ParameterSetTest, ArgumentFormsSetByNameIgnoringCase) {
    struct Case {
        const char* argument;
        bool accepted;
        const char* logValue;
    } cases[] = {
        {"Log=a:b:1", true, "a:b:1"},   {"-Log=a:b:2", true, "a:b:2"},
        {"--log=a:b:3", true, "a:b:3"}, {"LOG=a:b:4", true, "a:b:4"},
        {"-Log", false, "a:b:4"},       {"Log", false, "a:b:4"},
        {"---Log=x", false, "a:b:4"},   {"Lo=x", false, "a:b:4"},
        {"Logs=x", false, "a:b:4"},     {"=x", false, "a:b:4"},
        {"", false, "a:b:4"},           {"Log=", true, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(set.processArg(c.argument, 0), c.accepted) << c.argument;
        EXPECT_EQ(valueOf(log), c.logValue) << c.argument;
    }
    EXPECT_TRUE(set.processArg("LogFile=a=b", 0));
    EXPECT_EQ(valueOf(logFile), "a=b");
    EXPECT_FALSE(set.processArg(nullptr, 0));
}

TEST_F(ParameterSetTest, StrongerOrEqualPriorityWinsAndIsRemembered) {
    EXPECT_FALSE(log.setParamWithPriority("weak", 11));
    EXPECT_EQ(valueOf(log), "");
    EXPECT_TRUE(log.setParamWithPriority("equal", 10));
    EXPECT_EQ(log.priority, 10);
    EXPECT_TRUE(set.processArg("Log=first", 0));
    EXPECT_TRUE(set.processArg("Log=second", 0));
    EXPECT_EQ(valueOf(log), "second");
    EXPECT_FALSE(log.setParamWithPriority("later", 5));
    EXPECT_TRUE(log.setParam("direct"));   // code bypasses the test
    EXPECT_EQ(log.priority, 0);
    EXPECT_FALSE(log.setParamWithPriority(nullptr, 0)) << "no value: setParamNoValue refuses";
}

TEST_F(ParameterSetTest, CallbackRunsAfterEveryChangeOutsideTheLock) {
    CountingCallback callback;
    log.callback = &callback;
    set.processArg("Log=x", 0);
    set.processArg("Log=x", 0);
    EXPECT_EQ(callback.calls, 2) << "an unchanged value still calls back";
    EXPECT_EQ(callback.seen, "x");
    EXPECT_TRUE(callback.lockFree);
}

TEST_F(ParameterSetTest, ValueCopiesAreIndependent) {
    plat::HeapArray<char> copy(logFile.getValueStr());
    copy.get()[0] = 'X';
    EXPECT_EQ(valueOf(logFile), "default");
    std::unique_ptr<plat::VoidParameter> clone(logFile.clone(&set));
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(set.head, clone.get()) << "the clone links into the given set";
    EXPECT_EQ(valueOf(*clone), "default");
    EXPECT_EQ(clone->priority, 10);
    EXPECT_FALSE(clone->flag);
    EXPECT_TRUE(clone->isStringKind());
    set.head = clone->next;   // unlink before it is destroyed
}

TEST_F(ParameterSetTest, NullValuesAreRefusedWithTheirAssertion) {
    plat::VoidParameter* headBefore = set.head;
    try {
        plat::StringParameter broken("Broken", "", nullptr, false, &set);
        ADD_FAILURE() << "null default accepted";
    } catch (const plat::Exception& e) {
        EXPECT_STREQ(e.message,
                     "Assertion 'v' failed at Configuration:434: Default value <null> for Broken "
                     "not allowed");
    }
    EXPECT_EQ(set.head, headBefore) << "a refused parameter is not left in the set";
    try {
        log.setParam(nullptr);
        ADD_FAILURE() << "null text accepted";
    } catch (const plat::Exception& e) {
        EXPECT_STREQ(e.message,
                     "Assertion 'v' failed at Configuration:443: setParam(<null>) for Log not allowed");
    }
    EXPECT_TRUE(parameterLockFreeForOthers()) << "the lock is left as the exception passes";
}

TEST(GlobalParameterSet, HoldsLogFileThenLogWithTheirDefaults) {
    plat::ParameterSet* global = plat::ParameterSet::global();
    EXPECT_STREQ(global->name, "Global");
    ASSERT_NE(global->head, nullptr);
    // The job's own parameters may stand around them, LogFile right before Log.
    plat::VoidParameter* parameter = global->head;
    while (parameter != nullptr && parameter != &logFileParameter) parameter = parameter->next;
    ASSERT_NE(parameter, nullptr);
    EXPECT_EQ(parameter->next, &logParameter);
    EXPECT_EQ(logParameter.callback, &logParameterChangedCallback);
    EXPECT_TRUE(logParameter.flag);
    EXPECT_FALSE(logFileParameter.flag);
}

}  // namespace
