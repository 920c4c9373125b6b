// The version information functions on POSIX. The block is the one the
// build embeds in the executable's version section (posix/VersionBlock.h);
// it is read back from the named file through the ELF section headers, so a
// file without the section has no version information, as on Windows.
#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "posix/winapi/Utf.h"
#include "posix/winapi/VersionBlock.h"
#include "posix/KernelApi.h"

namespace {

using namespace posix::version;

// Limits that keep a damaged file from making us read or allocate much.
constexpr uint64_t kMaxSections = 1u << 20;
constexpr uint64_t kMaxNameTable = 1u << 24;
constexpr uint64_t kMaxSection = 1u << 20;

uint16_t read16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

size_t alignUp(size_t n) {
    return (n + 3) & ~size_t{3};
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads exactly size bytes at offset; an errno value, 0 on success.
int readAt(int fd, uint64_t offset, void* out, size_t size) {
    auto* bytes = static_cast<unsigned char*>(out);
    while (size > 0) {
        ssize_t n = pread(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return ENOEXEC;   // the file ends inside a structure it announces
        bytes += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return 0;
}

// Finds the version section in an ELF file of one class; an errno value.
template <typename Ehdr, typename Shdr>
int readSection(int fd, uint64_t fileSize, std::vector<unsigned char>& contents) {
    Ehdr header;
    if (int error = readAt(fd, 0, &header, sizeof header)) return error;
    if (header.e_shoff == 0 || header.e_shentsize != sizeof(Shdr)) return ERROR_RESOURCE_TYPE_NOT_FOUND;

    Shdr first;
    if (int error = readAt(fd, header.e_shoff, &first, sizeof first)) return error;
    uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
    uint64_t namesIndex = header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : first.sh_link;
    if (count == 0 || count > kMaxSections || namesIndex >= count ||
        header.e_shoff > fileSize || count * sizeof(Shdr) > fileSize - header.e_shoff)
        return ENOEXEC;

    std::vector<Shdr> sections(count);
    if (int error = readAt(fd, header.e_shoff, sections.data(), count * sizeof(Shdr))) return error;

    const Shdr& namesSection = sections[namesIndex];
    if (namesSection.sh_type == SHT_NOBITS || namesSection.sh_size > kMaxNameTable ||
        namesSection.sh_offset > fileSize || namesSection.sh_size > fileSize - namesSection.sh_offset)
        return ENOEXEC;
    std::vector<char> names(namesSection.sh_size);
    if (int error = readAt(fd, namesSection.sh_offset, names.data(), names.size())) return error;

    for (const Shdr& section : sections) {
        if (section.sh_name >= names.size()) continue;
        const char* name = names.data() + section.sh_name;
        std::string_view sectionName(name, strnlen(name, names.size() - section.sh_name));
        if (sectionName != kVersionSection) continue;
        if (section.sh_type == SHT_NOBITS || section.sh_size == 0) return ERROR_RESOURCE_TYPE_NOT_FOUND;
        if (section.sh_size > kMaxSection || section.sh_offset > fileSize ||
            section.sh_size > fileSize - section.sh_offset)
            return ENOEXEC;
        contents.resize(section.sh_size);
        return readAt(fd, section.sh_offset, contents.data(), contents.size());
    }
    return ERROR_RESOURCE_TYPE_NOT_FOUND;
}

// True when the bytes begin with a whole VS_VERSION_INFO node.
bool holdsVersionBlock(const std::vector<unsigned char>& bytes) {
    const size_t keyBytes = (std::char_traits<char16_t>::length(kRootKey) + 1) * 2;
    if (bytes.size() < kNodeHeaderSize + keyBytes) return false;
    size_t length = read16(bytes.data());
    if (length < kNodeHeaderSize + keyBytes || length > bytes.size()) return false;
    for (size_t i = 0; i < keyBytes / 2; ++i)
        if (read16(bytes.data() + kNodeHeaderSize + 2 * i) != static_cast<uint16_t>(kRootKey[i]))
            return false;
    return true;
}

// The version block of a file, cut to its own length; false with the last
// error set when the file cannot be read or holds no block.
bool loadVersionBlock(LPCWSTR fileName, std::vector<unsigned char>& block) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string path = posix::toUtf8(fileName);
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || fstat(fd.get(), &info) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return false;
    }
    unsigned char ident[EI_NIDENT];
    int error = S_ISREG(info.st_mode) ? 0 : ENOEXEC;
    if (error == 0) error = readAt(fd.get(), 0, ident, sizeof ident);
    if (error == 0 && std::memcmp(ident, ELFMAG, SELFMAG) != 0) error = ENOEXEC;
    const unsigned char nativeData =
        __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
    if (error == 0 && ident[EI_DATA] != nativeData) error = ENOEXEC;
    if (error == 0) {
        auto size = static_cast<uint64_t>(info.st_size);
        if (ident[EI_CLASS] == ELFCLASS64)
            error = readSection<Elf64_Ehdr, Elf64_Shdr>(fd.get(), size, block);
        else if (ident[EI_CLASS] == ELFCLASS32)
            error = readSection<Elf32_Ehdr, Elf32_Shdr>(fd.get(), size, block);
        else
            error = ENOEXEC;
    }
    if (error == 0 && !holdsVersionBlock(block)) error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    if (error != 0) {
        SetLastError(static_cast<DWORD>(error));
        return false;
    }
    block.resize(read16(block.data()));
    return true;
}

// One node of a block, by offsets from the start of the block.
struct Node {
    size_t offset;
    size_t end;             // offset + wLength
    uint16_t valueLength;
    uint16_t type;
    size_t keyUnits;
    size_t value;           // where the value starts
    size_t valueBytes;
    size_t children;        // where the first child starts
};

// Parses the node at offset, which must lie wholly below limit.
bool parseNode(const unsigned char* block, size_t offset, size_t limit, Node& node) {
    if (offset > limit || limit - offset < kNodeHeaderSize + 2) return false;
    const unsigned char* p = block + offset;
    size_t length = read16(p);
    if (length < kNodeHeaderSize + 2 || length > limit - offset) return false;
    node.offset = offset;
    node.end = offset + length;
    node.valueLength = read16(p + 2);
    node.type = read16(p + 4);

    size_t key = offset + kNodeHeaderSize;
    size_t cursor = key;
    for (;; cursor += 2) {
        if (cursor + 2 > node.end) return false;    // the key has no NUL
        if (read16(block + cursor) == 0) break;
    }
    node.keyUnits = (cursor - key) / 2;

    node.value = std::min(alignUp(cursor + 2), node.end);
    node.valueBytes = node.type == kTextValue ? size_t{node.valueLength} * 2 : node.valueLength;
    if (node.valueBytes > node.end - node.value) {
        // Some resource compilers count a text value in bytes.
        if (node.type != kTextValue || node.valueLength > node.end - node.value) return false;
        node.valueBytes = node.valueLength;
    }
    node.children = std::min(alignUp(node.value + node.valueBytes), node.end);
    return true;
}

char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool keyMatches(const unsigned char* block, const Node& node, std::u16string_view name) {
    if (node.keyUnits != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<char16_t>(read16(block + node.offset + kNodeHeaderSize + 2 * i));
        if (asciiLower(c) != asciiLower(name[i])) return false;
    }
    return true;
}

bool findChild(const unsigned char* block, const Node& parent, std::u16string_view name, Node& found) {
    for (size_t at = parent.children; at + kNodeHeaderSize <= parent.end;) {
        Node child;
        if (!parseNode(block, at, parent.end, child)) return false;
        if (keyMatches(block, child, name)) {
            found = child;
            return true;
        }
        at = alignUp(child.end);
    }
    return false;
}

bool failQuery(DWORD error, LPVOID* buffer, UINT* length) {
    if (buffer) *buffer = nullptr;
    if (length) *length = 0;
    SetLastError(error);
    return false;
}

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
    if (handle) *handle = 0;
    std::vector<unsigned char> block;
    if (!loadVersionBlock(fileName, block)) return 0;
    return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD /*handle*/, DWORD size, LPVOID data) {
    if (data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<unsigned char> block;
    if (!loadVersionBlock(fileName, block)) return FALSE;
    // A cut block would announce more than the buffer holds.
    if (block.size() > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

// Walks the path "\Name\Name..." from the root, names ignoring case. A text
// value is returned with its length in characters and is NUL-terminated
// within the block; a binary value with its length in bytes; "\" alone
// gives the fixed file information.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length) {
    if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr)
        return failQuery(ERROR_INVALID_PARAMETER, buffer, length);
    const auto* bytes = static_cast<const unsigned char*>(block);
    Node node;
    if (!parseNode(bytes, 0, read16(bytes), node))
        return failQuery(ERROR_RESOURCE_TYPE_NOT_FOUND, buffer, length);

    std::u16string_view path(subBlock);
    bool atRoot = true;
    while (!path.empty()) {
        size_t separator = path.find(u'\\');
        std::u16string_view name = path.substr(0, separator);
        path = separator == std::u16string_view::npos ? std::u16string_view() : path.substr(separator + 1);
        if (name.empty()) continue;
        Node child;
        if (!findChild(bytes, node, name, child))
            return failQuery(ERROR_RESOURCE_TYPE_NOT_FOUND, buffer, length);
        node = child;
        atRoot = false;
    }

    if (node.valueBytes == 0) {
        if (atRoot) return failQuery(ERROR_RESOURCE_TYPE_NOT_FOUND, buffer, length);
        // No value: the key's own NUL serves as the empty text.
        *buffer = const_cast<unsigned char*>(bytes + node.offset + kNodeHeaderSize + 2 * node.keyUnits);
        *length = 0;
        return TRUE;
    }
    if (node.type == kTextValue) {
        bool terminated = false;
        for (size_t at = node.value; at + 2 <= node.end && !terminated; at += 2)
            terminated = read16(bytes + at) == 0;
        if (!terminated) return failQuery(ERROR_RESOURCE_TYPE_NOT_FOUND, buffer, length);
    }
    *buffer = const_cast<unsigned char*>(bytes + node.value);
    *length = node.valueLength;
    return TRUE;
}
