// The binary layout of a Windows version information block (VS_VERSIONINFO)
// and a writer for it. The build embeds such a block in the executable's
// ELF section kVersionSection; the version functions read it back from
// there. Every node is: WORD wLength (the node with its children), WORD
// wValueLength, WORD wType (1 text, 0 binary), the UTF-16 key with its NUL,
// padding to 32 bits, the value, padding, the children. Offsets are aligned
// from the start of the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace posix::version {

inline constexpr const char* kVersionSection = ".quorlex_version";
inline constexpr const char16_t* kRootKey = u"VS_VERSION_INFO";
inline constexpr size_t kNodeHeaderSize = 6;
inline constexpr uint16_t kBinaryValue = 0;
inline constexpr uint16_t kTextValue = 1;
inline constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;

struct StringEntry {
    std::u16string key;
    std::u16string value;
};

struct BlockContents {
    uint16_t fileVersion[4] = {0, 0, 0, 0};      // major, minor, patch, build
    uint16_t productVersion[4] = {0, 0, 0, 0};
    std::u16string stringTable;                  // e.g. u"080904b0"
    std::vector<StringEntry> strings;
    std::vector<uint32_t> translations;          // language | code page << 16
};

class BlockWriter {
public:
    std::vector<unsigned char> bytes;

    // Opens a node; returns its offset, to be passed to end().
    size_t begin(const std::u16string& key, uint16_t valueLength, uint16_t type) {
        align();
        size_t start = bytes.size();
        put16(0);
        put16(valueLength);
        put16(type);
        for (char16_t c : key) put16(c);
        put16(0);
        align();
        return start;
    }
    void end(size_t start) {
        size_t length = bytes.size() - start;
        if (length > 0xFFFF) throw std::length_error("version block node over 64 KiB");
        bytes[start] = static_cast<unsigned char>(length & 0xFF);
        bytes[start + 1] = static_cast<unsigned char>(length >> 8);
    }
    void put16(uint16_t v) {
        bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes.push_back(static_cast<unsigned char>(v >> 8));
    }
    void put32(uint32_t v) {
        put16(static_cast<uint16_t>(v & 0xFFFF));
        put16(static_cast<uint16_t>(v >> 16));
    }
    void align() {
        while (bytes.size() % 4 != 0) bytes.push_back(0);
    }
};

inline uint32_t highWord(const uint16_t (&v)[4]) { return uint32_t{v[0]} << 16 | v[1]; }
inline uint32_t lowWord(const uint16_t (&v)[4]) { return uint32_t{v[2]} << 16 | v[3]; }

// The whole block: the fixed file information, one string table and the
// Translation list.
inline std::vector<unsigned char> buildBlock(const BlockContents& contents) {
    BlockWriter w;
    size_t root = w.begin(kRootKey, 13 * 4, kBinaryValue);
    w.put32(kFixedInfoSignature);
    w.put32(0x00010000u);                       // structure version 1.0
    w.put32(highWord(contents.fileVersion));
    w.put32(lowWord(contents.fileVersion));
    w.put32(highWord(contents.productVersion));
    w.put32(lowWord(contents.productVersion));
    w.put32(0x3Fu);                             // file flags mask
    w.put32(0);                                 // file flags
    w.put32(0);                                 // VOS_UNKNOWN
    w.put32(1);                                 // VFT_APP
    w.put32(0);                                 // subtype
    w.put32(0);                                 // date, high
    w.put32(0);                                 // date, low

    size_t stringInfo = w.begin(u"StringFileInfo", 0, kTextValue);
    size_t table = w.begin(contents.stringTable, 0, kTextValue);
    for (const StringEntry& entry : contents.strings) {
        // The value length counts UTF-16 units with the terminating NUL.
        size_t node = w.begin(entry.key, static_cast<uint16_t>(entry.value.size() + 1), kTextValue);
        for (char16_t c : entry.value) w.put16(c);
        w.put16(0);
        w.end(node);
    }
    w.end(table);
    w.end(stringInfo);

    size_t varInfo = w.begin(u"VarFileInfo", 0, kTextValue);
    size_t var = w.begin(u"Translation",
                         static_cast<uint16_t>(contents.translations.size() * 4), kBinaryValue);
    for (uint32_t t : contents.translations) w.put32(t);
    w.end(var);
    w.end(varInfo);
    w.end(root);
    return w.bytes;
}

}  // namespace posix::version
