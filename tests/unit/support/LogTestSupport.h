// Helpers for tests that touch the process-wide logging objects: capture of
// standard error, and a snapshot that puts writer routing, the Log value and
// the targets' outputs back as they were.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "plat/LogParameter.h"
#include "plat/LogTargets.h"
#include "plat/Strings.h"

namespace testsupport {

// Redirects file descriptor 2 into a temporary file for its lifetime.
class StderrCapture {
public:
    StderrCapture() : file_(tmpfile()), saved_(dup(2)) {
        fflush(stderr);
        dup2(fileno(file_), 2);
    }
    ~StderrCapture() {
        restore();
        fclose(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Everything written so far; standard error is back to normal afterwards.
    std::string text() {
        restore();
        std::string out;
        rewind(file_);
        for (int c; (c = fgetc(file_)) != EOF;) out.push_back(static_cast<char>(c));
        return out;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }
    FILE* file_;
    int saved_;
};

// Registers the program's four targets in the entry function's order, so the
// target list reads debug, file, stdout, stderr as in the program.
inline void registerProgramTargets() {
    initStdioLoggers();
    plat::fileLogger.registerLogger();
    initDebugLogger();
}

// Restores every writer's target and level, the raw Log value and the
// file target's name on destruction.
class SavedLogState {
public:
    SavedLogState() : logValue_(logParameter.getValueStr()) {
        for (plat::LogWriter* w = plat::LogWriter::head(); w != nullptr; w = w->next) {
            writers_.push_back({w, {w->logger, w->level}});
        }
        if (plat::fileLogger.fileName != nullptr) fileName_ = plat::fileLogger.fileName;
        hadFileName_ = plat::fileLogger.fileName != nullptr;
    }
    ~SavedLogState() {
        delete[] logParameter.value;
        logParameter.value = logValue_.release();
        for (auto& [writer, state] : writers_) {
            writer->logger = state.first;
            writer->level = state.second;
        }
        plat::fileLogger.setFileName(hadFileName_ ? fileName_.c_str() : nullptr);
        plat::Logger_File::clock = &::time;
    }
    SavedLogState(const SavedLogState&) = delete;
    SavedLogState& operator=(const SavedLogState&) = delete;

private:
    plat::HeapArray<char> logValue_;
    std::vector<std::pair<plat::LogWriter*, std::pair<plat::Logger*, int32_t>>> writers_;
    std::string fileName_;
    bool hadFileName_ = false;
};

}  // namespace testsupport
