// Log writers, the abstract log target and the two process-wide lists.
#include "plat/LogWriter.h"

#include <cstdio>

#include "plat/Strings.h"

namespace plat {

namespace {
// Plain pointers, zero before any constructor runs, so writers and targets
// may link themselves in during static construction in any file.
LogWriter* writerListHead = nullptr;
Logger* loggerListHead = nullptr;
ErrorLineSink errorLineSink = nullptr;
void* errorLineContext = nullptr;
}  // namespace

// ------------------------------------------------------------------ Logger

Logger::Logger(const char* targetName) : registered(false), name(targetName), next(nullptr) {}

Logger::~Logger() = default;

void Logger::registerLogger() {
    if (registered) return;
    registered = true;
    next = loggerListHead;
    loggerListHead = this;
}

Logger* Logger::find(const char* targetName) {
    if (targetName == nullptr) return nullptr;
    for (Logger* target = loggerListHead; target != nullptr; target = target->next) {
        if (compareNoCase(target->name, targetName) == 0) return target;
    }
    return nullptr;
}

void Logger::listNames() {
    for (Logger* target = loggerListHead; target != nullptr; target = target->next) {
        fprintf(stderr, "  %s\n", target->name);
    }
}

Logger* Logger::head() { return loggerListHead; }

// --------------------------------------------------------------- LogWriter

LogWriter::LogWriter(const char* writerName)
    : name(writerName), level(0), logger(nullptr), next(writerListHead) {
    writerListHead = this;
}

void observeErrorLines(ErrorLineSink sink, void* context) {
    errorLineSink = sink;
    errorLineContext = context;
}

void LogWriter::emit(int32_t messageLevel, const char* format, va_list args) {
    const bool observed = errorLineSink != nullptr && messageLevel <= LevelError;
    if (!passes(messageLevel) && !observed) return;
    char text[kLogMessageSize];
    vsnprintf(text, sizeof text, format, args);
    text[kLogMessageSize - 1] = '\0';
    if (observed) errorLineSink(errorLineContext, name, text);
    if (passes(messageLevel)) logger->write(messageLevel, name, text);
}

void LogWriter::error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(LevelError, format, args);
    va_end(args);
}

void LogWriter::info(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(LevelInfo, format, args);
    va_end(args);
}

void LogWriter::write(int32_t messageLevel, const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(messageLevel, format, args);
    va_end(args);
}

LogWriter* LogWriter::find(const char* writerName) {
    if (writerName == nullptr) return nullptr;
    for (LogWriter* writer = writerListHead; writer != nullptr; writer = writer->next) {
        if (compareNoCase(writer->name, writerName) == 0) return writer;
    }
    return nullptr;
}

void LogWriter::listNames() {
    fputs("  ", stderr);
    for (LogWriter* writer = writerListHead; writer != nullptr; writer = writer->next) {
        fputs(writer->name, stderr);
        if (writer->next != nullptr) fputs(", ", stderr);
    }
    fputs("\n", stderr);
}

LogWriter* LogWriter::head() { return writerListHead; }

}  // namespace plat
