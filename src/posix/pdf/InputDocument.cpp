#include "posix/pdf/InputDocument.h"

#include <cstring>
#include <utility>

namespace posix {

namespace {

std::shared_ptr<const std::string>& held() {
    static std::shared_ptr<const std::string> bytes;
    return bytes;
}

}  // namespace

void holdInputDocument(std::shared_ptr<const std::string> bytes) { held() = std::move(bytes); }

const std::string* inputDocument(const char* fileName) {
    if (fileName == nullptr || std::strcmp(fileName, kInputDocumentName) != 0) return nullptr;
    return held().get();
}

}  // namespace posix
