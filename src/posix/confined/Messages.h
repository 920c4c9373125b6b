// What the program and its drawing helper say to each other over their
// socket: each message a kind, the length of its body and the body, whose
// fields are numbers and byte strings in the order each kind gives. The
// program reads what the helper sends as it reads a document: nothing in
// it is trusted, every field is checked as it is read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace posix::confined {

enum class MessageKind : uint32_t {
    // The helper, once it has read the document: the load error (0 when it
    // read it), the page count, the permission bits, the microseconds
    // reading it took.
    Opened = 1,
    // The program: a page's size and whether its form values reach its
    // drawing (the page's index). The helper: whether it has the page, its
    // width and height, why a form value is lost (or empty).
    Prepare = 2,
    Prepared = 3,
    // The program: the page drawn into pixels (its index, the width and
    // height in pixels, the quarter turns). The helper: the width, the
    // height and the pixels (ARGB32, rows of width * 4 bytes), or none.
    DrawPixels = 6,
    Pixels = 7,
    // The helper: a request it does not know or that names no page.
    Refused = 8,
    // The program: pages drawn into one PDF (their count, their indexes).
    // The helper: PageStarted (the index) before it reads and before it
    // draws each, then the indexes it drew (their count, each; a page it
    // cannot read or whose form value would be lost is left out) and the
    // PDF, its pages in that order.
    DrawPdfPages = 9,
    PageStarted = 10,
    PdfPages = 11,
};

// The most pages drawn into one PDF: a longer run of them is drawn in
// several, so that neither side holds a whole long document at once.
constexpr uint32_t kMostPagesTogether = 100;

// The largest body either side takes: a drawn page at the printer's
// resolution fits well within it.
constexpr uint64_t kLargestBody = uint64_t(1) << 30;
// Kind and body length.
constexpr size_t kHeaderSize = 12;

class MessageOut {
public:
    MessageOut& number(uint32_t value);
    MessageOut& real(double value);
    MessageOut& bytes(std::string_view value);
    const std::string& body() const { return body_; }

private:
    std::string body_;
};

class MessageIn {
public:
    explicit MessageIn(std::string_view body) : rest_(body) {}
    // False, leaving the value as it was, when the body has no such field.
    bool number(uint32_t& value);
    bool real(double& value);
    bool bytes(std::string& value);
    // Whether every field was read: a body with more is not what was asked.
    bool atEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

// The header of a message of that kind and body length.
std::string headerOf(MessageKind kind, uint64_t length);
// Reads a header; false when the length is beyond kLargestBody.
bool readHeader(std::string_view header, uint32_t& kind, uint64_t& length);

// Sends a whole message on a socket; false when the other side is gone.
bool sendMessage(int fd, MessageKind kind, std::string_view body);
// Reads a whole message from a socket, waiting as long as it takes (the
// helper's side); false when the socket closed or the message is too large.
bool receiveMessage(int fd, uint32_t& kind, std::string& body);

}  // namespace posix::confined
