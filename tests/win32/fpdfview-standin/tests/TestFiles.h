// Files for the stand-in's tests: the project's sample documents, and
// files the tests write themselves into a temporary folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace standin_test {

// UTF-8 path of a document in tests/data.
std::string sampleFile(const char* name);

// A file in the temporary folder, written on construction and removed on
// destruction; name is UTF-8.
class TemporaryFile {
public:
    TemporaryFile(const std::string& utf8Name, std::string_view contents);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string readFile(const std::string& utf8Path);

// A PDF file from object bodies (object i + 1 is bodies[i]) and a trailer
// dictionary; no cross-reference table, which the stand-in does not need.
std::string makePdf(const std::vector<std::string>& bodies,
                    const std::string& trailer = "<< /Root 1 0 R >>");

}  // namespace standin_test
