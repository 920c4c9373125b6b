#include "unit/support/LogRecording.h"

namespace testsupport {

std::vector<std::string> RecordingLogger::texts() const {
    std::vector<std::string> found;
    for (const Line& line : lines) found.push_back(line.text);
    return found;
}

std::vector<std::string> RecordingLogger::leveledTexts() const {
    std::vector<std::string> found;
    for (const Line& line : lines) found.push_back(std::to_string(line.level) + " " + line.text);
    return found;
}

bool RecordingLogger::contains(const std::string& text) const {
    for (const Line& line : lines) {
        if (line.text == text) return true;
    }
    return false;
}

WriterCapture::WriterCapture(plat::LogWriter& writer)
    : writer_(writer), savedLogger_(writer.logger), savedLevel_(writer.level) {
    writer_.logger = &logger;
    writer_.level = INT32_MAX;
}

WriterCapture::~WriterCapture() {
    writer_.logger = savedLogger_;
    writer_.level = savedLevel_;
}

}  // namespace testsupport
