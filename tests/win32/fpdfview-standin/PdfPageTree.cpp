// Test stand-in for fpdfview.dll, not the real PDF engine.
#include "PdfPageTree.h"

#include <cmath>
#include <optional>
#include <unordered_set>

#include "FpdfErrors.h"
#include "PdfFileIndex.h"
#include "StandardSecurity.h"

namespace standin {

namespace {

// Real page trees are a few levels deep; a long chain is an attack on the stack.
constexpr int kMaxTreeDepth = 256;
constexpr double kLetterWidth = 612.0;
constexpr double kLetterHeight = 792.0;

struct Inherited {
    std::optional<PageSize> mediaBox;
    int quarterTurns = 0;
};

class PageTreeWalker {
public:
    PageTreeWalker(const PdfFileIndex& file, std::vector<PageSize>& pages) : file_(file), pages_(pages) {}

    // False when the tree cannot be followed.
    bool visit(const Value& node, Inherited inherited, int depth);

private:
    bool readMediaBox(const Value& box, std::optional<PageSize>& size) const;
    bool readRotate(const Value& rotate, int& quarterTurns) const;
    void addPage(const Inherited& attributes);

    const PdfFileIndex& file_;
    std::vector<PageSize>& pages_;
    // Every node is visited once: a cycle or a node shared by two parents is
    // a broken tree, and the walk stays linear in the size of the file.
    std::unordered_set<int> visited_;
};

bool PageTreeWalker::visit(const Value& nodeValue, Inherited inherited, int depth) {
    if (depth > kMaxTreeDepth) return false;
    if (nodeValue.is(Value::Kind::Reference) && !visited_.insert(nodeValue.reference.number).second)
        return false;
    std::optional<Value> node = file_.resolve(nodeValue);
    if (!node || !node->is(Value::Kind::Dictionary)) return false;

    if (const Value* box = node->find("MediaBox"); box && !readMediaBox(*box, inherited.mediaBox))
        return false;
    if (const Value* rotate = node->find("Rotate"); rotate && !readRotate(*rotate, inherited.quarterTurns))
        return false;

    const Value* type = node->find("Type");
    const Value* kids = node->find("Kids");
    bool isPage = type ? type->isName("Page") : kids == nullptr;
    if (isPage) {
        addPage(inherited);
        return true;
    }
    if (type && !type->isName("Pages")) return false;
    if (!kids) return false;
    std::optional<Value> kidList = file_.resolve(*kids);
    if (!kidList || !kidList->is(Value::Kind::Array)) return false;
    for (const Value& kid : kidList->array)
        if (!visit(kid, inherited, depth + 1)) return false;
    return true;
}

bool PageTreeWalker::readMediaBox(const Value& boxValue, std::optional<PageSize>& size) const {
    std::optional<Value> box = file_.resolve(boxValue);
    if (!box || !box->is(Value::Kind::Array) || box->array.size() != 4) return false;
    double corner[4];
    for (int i = 0; i < 4; ++i) {
        std::optional<Value> number = file_.resolve(box->array[i]);
        if (!number || !number->is(Value::Kind::Number)) return false;
        corner[i] = number->number;
    }
    // Corners may come in any order.
    PageSize boxSize{std::fabs(corner[2] - corner[0]), std::fabs(corner[3] - corner[1])};
    if (!std::isfinite(boxSize.width) || !std::isfinite(boxSize.height)) return false;
    size = boxSize;
    return true;
}

bool PageTreeWalker::readRotate(const Value& rotateValue, int& quarterTurns) const {
    std::optional<Value> rotate = file_.resolve(rotateValue);
    if (!rotate || !rotate->is(Value::Kind::Number)) return false;
    // Multiples of 90 by definition; anything else is cut toward zero to one,
    // -90 is 270, and huge values wrap without overflowing an int.
    double turns = std::fmod(std::trunc(rotate->number / 90.0), 4.0);
    if (turns < 0) turns += 4.0;
    quarterTurns = static_cast<int>(turns);
    return true;
}

void PageTreeWalker::addPage(const Inherited& attributes) {
    PageSize size{kLetterWidth, kLetterHeight};
    // An empty box would be an invisible page; viewers fall back to Letter.
    if (attributes.mediaBox && attributes.mediaBox->width > 0 && attributes.mediaBox->height > 0)
        size = *attributes.mediaBox;
    if (attributes.quarterTurns % 2 == 1) size = {size.height, size.width};
    pages_.push_back(size);
}

// The document catalog: what the newest trailer's /Root names, else the
// object that calls itself the catalog.
std::optional<Value> findCatalog(const PdfFileIndex& file) {
    const auto& trailers = file.trailers();
    for (auto trailer = trailers.rbegin(); trailer != trailers.rend(); ++trailer)
        if (const Value* root = trailer->find("Root")) return file.resolve(*root);
    if (std::optional<int> catalog = file.catalogObject()) return file.object(*catalog);
    return std::nullopt;
}

struct Encryption {
    bool present = false;
    std::optional<unsigned long> grants;  // what the empty user password opens with
};

Encryption encryptionOf(const PdfFileIndex& file) {
    const auto& trailers = file.trailers();
    for (auto trailer = trailers.rbegin(); trailer != trailers.rend(); ++trailer) {
        const Value* encrypt = trailer->find("Encrypt");
        if (!encrypt || encrypt->is(Value::Kind::Null)) continue;
        Encryption encryption{true, std::nullopt};
        std::optional<Value> dictionary = file.resolve(*encrypt);
        const Value* idEntry = trailer->find("ID");
        std::optional<Value> ids = idEntry ? file.resolve(*idEntry) : std::nullopt;
        if (dictionary && dictionary->is(Value::Kind::Dictionary) && ids && ids->is(Value::Kind::Array) &&
            !ids->array.empty() && ids->array[0].is(Value::Kind::String))
            encryption.grants = permissionsWithoutPassword(*dictionary, ids->array[0].text);
        return encryption;
    }
    return {};
}

}  // namespace

PageList readPageList(std::string_view bytes) {
    PageList result;
    PdfFileIndex file(bytes);
    if (!file.hasHeader()) {
        result.error = FPDF_ERR_FORMAT;
        return result;
    }
    if (const Encryption encryption = encryptionOf(file); encryption.present) {
        if (!encryption.grants) {
            result.error = FPDF_ERR_PASSWORD;
            return result;
        }
        result.permissions = *encryption.grants;
    }
    std::optional<Value> catalog = findCatalog(file);
    const Value* pages = catalog ? catalog->find("Pages") : nullptr;
    if (!pages || !PageTreeWalker(file, result.pages).visit(*pages, Inherited{}, 0)) {
        result.pages.clear();
        result.error = FPDF_ERR_FORMAT;
    }
    return result;
}

}  // namespace standin
