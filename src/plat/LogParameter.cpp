// Applying the Log value: <writer>:<target>:<level> elements separated by
// commas, each connecting writers to a target up to a level.
#include "plat/LogParameter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plat/LogWriter.h"
#include "plat/Strings.h"

namespace {

// atoi's reading (leading white space, a sign, digits up to the first
// non-digit, 0 without digits), but a number beyond the 32-bit range is
// clamped to it instead of overflowing.
int32_t readLevel(const char* text) {
    long value = strtol(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

bool applyLogElement(const char* element) {
    if (element == nullptr) return false;
    plat::HeapArray<char> copy(plat::dupString(element));
    plat::TokenCursor fields(copy.get());
    const char* writerField = fields.next(':');
    const char* targetField = fields.next(':');
    const char* levelField = fields.cursor;
    if (writerField == nullptr || targetField == nullptr || levelField == nullptr) {
        fprintf(stderr, "failed to parse log param element:%s\n", element);
        return false;
    }

    int32_t level = readLevel(levelField);

    plat::Logger* target = nullptr;
    if (*targetField != '\0') {
        target = plat::Logger::find(targetField);
        if (target == nullptr) fprintf(stderr, "No logger found: '%s'\n", targetField);
    }

    if (strcmp(writerField, "*") == 0) {
        for (plat::LogWriter* writer = plat::LogWriter::head(); writer != nullptr;
             writer = writer->next) {
            writer->logger = target;
            writer->level = level;
        }
        return true;
    }
    plat::LogWriter* writer = plat::LogWriter::find(writerField);
    if (writer == nullptr) {
        fprintf(stderr, "No logwriter found: '%s'\n", writerField);
        return false;
    }
    writer->logger = target;
    writer->level = level;
    return true;
}

void LogParameterChangedCallback::parameterChanged(plat::VoidParameter*) {
    // Every change replaces the whole routing.
    applyLogElement("*::0");
    plat::HeapArray<char> value(logParameter.getValueStr());
    plat::TokenCursor elements(value.get());
    while (const char* element = elements.next(',')) {
        if (!applyLogElement(element)) break;
    }
}
