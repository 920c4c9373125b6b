#include "TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace standin_test {

namespace {

std::wstring wide(const std::string& utf8) {
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring text(units > 0 ? units - 1 : 0, L'\0');
    if (units > 1) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text.data(), units);
    return text;
}

std::string narrow(const std::wstring& text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string temporaryFolder() {
    wchar_t folder[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    return narrow(std::wstring(folder, length));
}

}  // namespace

std::string sampleFile(const char* name) { return std::string(STANDIN_TEST_DATA) + "/" + name; }

TemporaryFile::TemporaryFile(const std::string& utf8Name, std::string_view contents) {
    static std::atomic<int> serial{0};
    path_ = temporaryFolder() + "standin-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(serial++) + "-" + utf8Name;
    std::ofstream out(wide(path_).c_str(), std::ios::binary);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) ADD_FAILURE() << "cannot write " << path_;
}

TemporaryFile::~TemporaryFile() { DeleteFileW(wide(path_).c_str()); }

std::string readFile(const std::string& utf8Path) {
    std::ifstream in(wide(utf8Path).c_str(), std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::string makePdf(const std::vector<std::string>& bodies, const std::string& trailer) {
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    for (std::size_t i = 0; i < bodies.size(); ++i)
        pdf += std::to_string(i + 1) + " 0 obj\n" + bodies[i] + "\nendobj\n";
    if (!trailer.empty()) pdf += "trailer\n" + trailer + "\n";
    return pdf + "%%EOF\n";
}

}  // namespace standin_test
