// The file and stream targets, the debugger target, the LogFile parameter
// and the start-up calls that register the program's targets.
#include "plat/LogTargets.h"

#include <algorithm>
#include <cstring>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "plat/TextBuffer.h"

namespace plat {

time_t (*Logger_File::clock)(time_t*) = &::time;

void formatTimeStamp(int64_t seconds, char* buffer) {
    static const char* const weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    constexpr size_t stampSize = 26;   // "Www Mmm DD HH:MM:SS YYYY\n" and its NUL
    time_t when = static_cast<time_t>(seconds);
    // Callers hold the file-target lock, and the fields are copied at once.
    const tm* local = std::localtime(&when);
    if (local == nullptr || local->tm_year + 1900 < 0 || local->tm_year + 1900 > 9999) {
        snprintf(buffer, stampSize, "??? ??? ?? ??:??:?? ????\n");
        return;
    }
    // The fields are in range; the remainders only tell the compiler so.
    snprintf(buffer, stampSize, "%s %s %02u %02u:%02u:%02u %04u\n", weekdays[local->tm_wday % 7],
             months[local->tm_mon % 12], unsigned(local->tm_mday) % 100u,
             unsigned(local->tm_hour) % 100u, unsigned(local->tm_min) % 100u,
             unsigned(local->tm_sec) % 100u, unsigned(local->tm_year + 1900) % 10000u);
}

// ------------------------------------------------------------- Logger_File

Logger_File::Logger_File(const char* targetName)
    : Logger(targetName),
      prefixWidth(13),
      fileName(nullptr),
      stream(nullptr),
      lastStamp(0),
      lineBuffer(nullptr),
      lineWidth(0) {
    lineWidth = std::max(79, prefixWidth + 10);
    lineBuffer = new char[static_cast<size_t>(lineWidth) + 2];
    lineBuffer[lineWidth + 1] = '\0';
}

Logger_File::~Logger_File() {
    if (fileName != nullptr && stream != nullptr) fclose(stream);
    delete[] fileName;
    delete[] lineBuffer;
}

namespace {

// Lets go of the current output: a file this target opened is closed, a
// stream handed in is only forgotten (it belongs to whoever handed it in).
void detachOutput(Logger_File& target) {
    if (target.fileName != nullptr && target.stream != nullptr) fclose(target.stream);
    target.stream = nullptr;
    delete[] target.fileName;
    target.fileName = nullptr;
}

}  // namespace

void Logger_File::setFileName(const char* name) {
    // Copied first: name may be this target's own fileName.
    char* fresh = dupString(name);
    detachOutput(*this);
    fileName = fresh;
    openFailureReported = false;
}

void Logger_File::setStream(FILE* output) {
    detachOutput(*this);
    stream = output;
}

namespace {

// Said once per log file name, on standard error whatever the routing, so
// that a log that cannot be written is never lost without a word.
void reportUnopenedLog(const char* fileName, DWORD error) {
    Exception text;
    text.appendFormat("Unable to open log file %s", fileName);
    const SystemException failure(text.message, error);
    stderrLogger.write(LevelError, "Config", failure.message);
}

}  // namespace

void Logger_File::write(int32_t, const char* writerName, const char* text) {
    CriticalSection::Guard locked(fileLoggerLock);

    if (stream == nullptr) {
        if (fileName == nullptr) return;
        stream = openLogFile(fileName);   // the previous log becomes the backup
        if (stream == nullptr) {
            const DWORD error = GetLastError();
            if (!openFailureReported) reportUnopenedLog(fileName, error);
            openFailureReported = true;
            return;
        }
        lastStamp = 0;   // every new file begins with a time stamp
    }

    int64_t now = static_cast<int64_t>(clock(nullptr));
    if (now != lastStamp) {
        lastStamp = now;
        char stamp[32];
        formatTimeStamp(now, stamp);
        fprintf(stream, "\n%s", stamp);
    }

    const size_t column = static_cast<size_t>(prefixWidth);
    const size_t width = static_cast<size_t>(lineWidth);
    if (writerName == nullptr) writerName = "";
    if (text == nullptr) text = "";

    size_t nameLength = 0;
    while (nameLength < column - 2 && writerName[nameLength] != '\0') ++nameLength;
    memset(lineBuffer, ' ', column);
    memcpy(lineBuffer + 1, writerName, nameLength);
    lineBuffer[1 + nameLength] = ':';
    size_t length = column;
    bool lineHasWord = false;

    const char* word = text;
    for (;;) {
        const char* blank = strchr(word, ' ');
        size_t wordLength = blank != nullptr ? static_cast<size_t>(blank - word) : strlen(word);

        if (length + 1 + wordLength > width && lineHasWord) {
            lineBuffer[length] = '\n';
            fwrite(lineBuffer, 1, length + 1, stream);
            memset(lineBuffer, ' ', column);
            length = column;
            lineHasWord = false;
        }
        if (column + 1 + wordLength > width) {
            // Never cut: an over-long word gets a line of its own.
            fwrite(lineBuffer, 1, column, stream);
            fputc(' ', stream);
            fwrite(word, 1, wordLength, stream);
            fputc('\n', stream);
            memset(lineBuffer, ' ', column);
        } else {
            lineBuffer[length] = ' ';
            memcpy(lineBuffer + length + 1, word, wordLength);
            length += 1 + wordLength;
            lineHasWord = true;
        }

        if (blank == nullptr) break;
        word = blank + 1;
    }

    if (lineHasWord) {
        lineBuffer[length] = '\n';
        fwrite(lineBuffer, 1, length + 1, stream);
    }
    fflush(stream);
}

// ------------------------------------------------------------ Logger_Debug

Logger_Debug::Logger_Debug(const char* targetName) : Logger(targetName) {}

void Logger_Debug::write(int32_t, const char* writerName, const char* text) {
    TextBuffer line;
    line.appendFormat(" %s: %s\r\n", writerName, text);
    WideChars wide(line.data, CP_UTF8);
    OutputDebugStringW(wide.get());
}

}  // namespace plat

// -------------------------------------------------------- LogFileParameter

LogFileParameter::LogFileParameter()
    : plat::ExpandParameter("LogFile", "Filename for 'file' log output", "", false, nullptr) {}

bool LogFileParameter::setParam(const char* value) {
    if (!plat::StringParameter::setParam(value)) return false;
    plat::HeapArray<char> expanded(getExpandedValue());
    plat::fileLogger.setFileName(expanded.get());
    return true;
}

// ---------------------------------------------------------------- start-up

bool initStdioLoggers() {
    plat::stderrLogger.setStream(stderr);
    plat::stderrLogger.registerLogger();
    plat::stdoutLogger.setStream(stdout);
    plat::stdoutLogger.registerLogger();
    return true;
}

bool initFileLogger(const char* defaultFileName) {
    plat::fileLogger.registerLogger();
    logFileParameter.setParam(defaultFileName);
    return true;
}

bool initDebugLogger() {
    plat::debugLogger.registerLogger();
    return true;
}
