// The form field and page trees as any reader of a damaged file might see
// them. qpdf and poppler repair a damaged file each in their own way, so
// qpdf's reading cannot vouch for the trees poppler builds; this one takes
// every definition of every object the bytes hold, plain or in an object
// stream, and every kid any of them names.
#pragma once

#include <cstddef>
#include <string_view>

namespace posix {

// Whether the tree that starts at any /Fields array of the bytes has more
// than `most` paths through the /Kids of any definition of each object (a
// loop counts as too many). Encrypted object streams are not read.
bool rawFieldTreeTooLarge(std::string_view bytes, size_t most);

// Poppler walks every path of the page tree of a damaged file until it has
// found the pages it counts, so a tree whose kids name the same node twice
// over and over (2^21 paths in 3 KB) holds it for minutes. Whether the tree
// that starts at any /Pages the bytes name has more than `most` paths; a
// loop counts as too many.
bool rawPageTreeTooLarge(std::string_view bytes, size_t most);

// Both for a file, read once; neither when it cannot be read.
struct RawTrees {
    bool fieldsTooLarge = false;
    bool pagesTooLarge = false;
};
RawTrees rawTreesTooLarge(const char* fileName, size_t mostFieldPaths, size_t mostPagePaths);

}  // namespace posix
