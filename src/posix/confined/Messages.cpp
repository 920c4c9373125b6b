#include "posix/confined/Messages.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace posix::confined {

namespace {

void appendNumber(std::string& out, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint64_t numberAt(std::string_view in, int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= uint64_t(static_cast<unsigned char>(in[i])) << (8 * i);
    return value;
}

bool sendAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        // A helper that is gone must not end the program with SIGPIPE.
        const ssize_t sent = send(fd, data, length, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

bool receiveAll(int fd, char* data, size_t length) {
    while (length > 0) {
        const ssize_t got = recv(fd, data, length, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace

MessageOut& MessageOut::number(uint32_t value) {
    appendNumber(body_, value, 4);
    return *this;
}

MessageOut& MessageOut::real(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    appendNumber(body_, bits, 8);
    return *this;
}

MessageOut& MessageOut::bytes(std::string_view value) {
    appendNumber(body_, value.size(), 8);
    body_.append(value);
    return *this;
}

bool MessageIn::number(uint32_t& value) {
    if (rest_.size() < 4) return false;
    value = static_cast<uint32_t>(numberAt(rest_, 4));
    rest_.remove_prefix(4);
    return true;
}

bool MessageIn::real(double& value) {
    if (rest_.size() < 8) return false;
    const uint64_t bits = numberAt(rest_, 8);
    std::memcpy(&value, &bits, sizeof value);
    rest_.remove_prefix(8);
    return true;
}

bool MessageIn::bytes(std::string& value) {
    if (rest_.size() < 8) return false;
    const uint64_t length = numberAt(rest_, 8);
    if (length > rest_.size() - 8) return false;
    value.assign(rest_.substr(8, length));
    rest_.remove_prefix(8 + length);
    return true;
}

std::string headerOf(MessageKind kind, uint64_t length) {
    std::string header;
    appendNumber(header, static_cast<uint32_t>(kind), 4);
    appendNumber(header, length, 8);
    return header;
}

bool readHeader(std::string_view header, uint32_t& kind, uint64_t& length) {
    if (header.size() < kHeaderSize) return false;
    kind = static_cast<uint32_t>(numberAt(header, 4));
    length = numberAt(header.substr(4), 8);
    return length <= kLargestBody;
}

bool sendMessage(int fd, MessageKind kind, std::string_view body) {
    const std::string header = headerOf(kind, body.size());
    return sendAll(fd, header.data(), header.size()) && sendAll(fd, body.data(), body.size());
}

bool receiveMessage(int fd, uint32_t& kind, std::string& body) {
    char header[kHeaderSize];
    uint64_t length = 0;
    if (!receiveAll(fd, header, sizeof header) || !readHeader({header, sizeof header}, kind, length)) return false;
    body.resize(length);
    return receiveAll(fd, body.data(), body.size());
}

}  // namespace posix::confined
