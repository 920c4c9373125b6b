// A log target that records what it receives, and the capture of one log
// writer's output into it: for tests of what the program logs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plat/LogWriter.h"

namespace testsupport {

// A log target that keeps every message it receives.
class RecordingLogger : public plat::Logger {
public:
    struct Line {
        int32_t level;
        std::string writer;
        std::string text;
    };
    std::vector<Line> lines;

    RecordingLogger() : plat::Logger("recording") {}
    void write(int32_t level, const char* writerName, const char* text) override {
        lines.push_back({level, writerName ? writerName : "", text ? text : ""});
    }
    // The texts of the lines, in order.
    std::vector<std::string> texts() const;
    // The lines as "<level> <text>", in order.
    std::vector<std::string> leveledTexts() const;
    bool contains(const std::string& text) const;
};

// Points a writer at a RecordingLogger with every level passing for its
// lifetime, then puts its target and level back.
class WriterCapture {
public:
    explicit WriterCapture(plat::LogWriter& writer);
    ~WriterCapture();
    WriterCapture(const WriterCapture&) = delete;
    WriterCapture& operator=(const WriterCapture&) = delete;

    RecordingLogger logger;

private:
    plat::LogWriter& writer_;
    plat::Logger* savedLogger_;
    int32_t savedLevel_;
};

}  // namespace testsupport
