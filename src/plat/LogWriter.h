// Log writers (named message sources with a level) and the abstract log
// target. Both sit in process-wide lists so that the Log parameter can
// connect any writer to any target by name.
#pragma once

#include <cstdarg>
#include <cstdint>

namespace plat {

constexpr int32_t LevelError = 0;
constexpr int32_t LevelInfo = 100;
constexpr int32_t LevelDynamicFn = 120;   // the dynamic function loader's misses

constexpr int kLogMessageSize = 4096;     // at most 4095 characters reach a target

class Logger {
public:
    bool registered;
    const char* name;
    Logger* next;

    explicit Logger(const char* name);
    virtual ~Logger();
    // A target is linked into the list by its address; its targets own
    // files and buffers: never copied.
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;
    virtual void write(int32_t level, const char* writerName, const char* text) = 0;

    // Links this target at the head of the list, once.
    void registerLogger();

    static Logger* find(const char* name);
    // "  name\n" on standard error for every registered target.
    static void listNames();
    static Logger* head();
};

// Sees every message of level 0 from any writer, whether the writer is
// routed anywhere or not, while it is set: the outcome a caller reads
// names every error of the run. One at a time; nullptr sets none.
using ErrorLineSink = void (*)(void* context, const char* writerName, const char* text);
void observeErrorLines(ErrorLineSink sink, void* context);

// Writers are process-wide objects with static storage. Their storage is zero
// before construction, so a message sent through a writer not yet constructed
// is dropped.
class LogWriter {
public:
    const char* name;
    int32_t level;
    Logger* logger;
    LogWriter* next;

    explicit LogWriter(const char* name);
    ~LogWriter() = default;
    // Linked into the writer list by its address.
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void info(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void write(int32_t messageLevel, const char* format, ...) __attribute__((format(printf, 3, 4)));

    bool passes(int32_t messageLevel) const { return logger != nullptr && messageLevel <= level; }

    static LogWriter* find(const char* name);
    // "  " and the names in list order separated by ", ", then "\n", on standard error.
    static void listNames();
    static LogWriter* head();

private:
    // Formats the message once, for the error-line sink and the target.
    void emit(int32_t messageLevel, const char* format, va_list args);
};

}  // namespace plat

namespace plat {
// Writers of the platform layer that nothing in this program writes to;
// they exist, are listed and can be routed.
extern LogWriter assertionLog;   // "Assertion"
extern LogWriter registryLog;    // "Registry"
}  // namespace plat
