// The concrete log targets: file and standard streams (Logger_File), the
// debugger (Logger_Debug), the LogFile parameter and the start-up calls that
// register the program's four targets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "plat/CriticalSection.h"
#include "plat/ExpandParameter.h"
#include "plat/LogWriter.h"

namespace plat {

class Logger_File : public Logger {
public:
    int32_t prefixWidth;     // 13: the writer-name column
    char* fileName;          // owned; null for a stream target
    FILE* stream;            // owned only when opened from fileName
    int64_t lastStamp;       // seconds of the last time stamp written
    char* lineBuffer;        // lineWidth + 2 bytes
    int32_t lineWidth;       // 79
    bool openFailureReported = false;   // for this file name

    explicit Logger_File(const char* name);
    ~Logger_File() override;

    void setFileName(const char* name);
    void setStream(FILE* stream);
    void write(int32_t level, const char* writerName, const char* text) override;

    // The clock the time stamps read; tests replace it.
    static time_t (*clock)(time_t*);
};

class Logger_Debug : public Logger {
public:
    explicit Logger_Debug(const char* name);
    void write(int32_t level, const char* writerName, const char* text) override;
};

// The time stamp text: "Www Mmm DD HH:MM:SS YYYY\n" in local time, the day
// of the month with two digits. buffer holds at least 26 bytes.
void formatTimeStamp(int64_t seconds, char* buffer);

// The lock shared by all Logger_File targets for the writing of one message.
extern CriticalSection fileLoggerLock;

extern Logger_Debug debugLogger;
extern Logger_File fileLogger;
extern Logger_File stderrLogger;
extern Logger_File stdoutLogger;

}  // namespace plat

// LogFile: names the "file" target's log file, environment variables expanded.
class LogFileParameter : public plat::ExpandParameter {
public:
    LogFileParameter();
    bool setParam(const char* value) override;
};

extern LogFileParameter logFileParameter;

bool initStdioLoggers();
bool initFileLogger(const char* defaultFileName);
bool initDebugLogger();
