#include "posix/pdf/FormFieldTree.h"

#include <qpdf/QPDFObjectHandle.hh>

#include <exception>
#include <vector>

#include "posix/pdf/QpdfFiles.h"

namespace posix {

bool formFieldTreeTooLarge(QPDF& document) {
    try {
        QPDFObjectHandle fields = document.getRoot().getKey("/AcroForm").getKey("/Fields");
        if (!fields.isArray()) return false;
        // Every path is walked, as poppler walks it, up to the limit: a
        // loop counts as too many paths too.
        std::vector<QPDFObjectHandle> pending = fields.getArrayAsVector();
        for (size_t paths = 0; !pending.empty(); ++paths) {
            if (paths >= kMostFormFieldPaths) return true;
            QPDFObjectHandle field = pending.back();
            pending.pop_back();
            QPDFObjectHandle kids = field.isDictionary() ? field.getKey("/Kids") : QPDFObjectHandle();
            if (!kids.isArray()) continue;
            for (QPDFObjectHandle& kid : kids.aitems()) pending.push_back(kid);
        }
    } catch (const std::exception&) {
        // What qpdf cannot read is poppler's to judge.
    }
    return false;
}

bool appearancesFromValues(QPDF& document) {
    try {
        QPDFObjectHandle form = document.getRoot().getKey("/AcroForm");
        return form.isDictionary() && form.getKey("/NeedAppearances").isBool() &&
               form.getKey("/NeedAppearances").getBoolValue();
    } catch (const std::exception&) {
        return false;
    }
}

FormFacts formFacts(const char* fileName, const char* password) {
    try {
        std::shared_ptr<QPDF> document = openWithQpdf(fileName, password);
        return FormFacts{formFieldTreeTooLarge(*document), appearancesFromValues(*document)};
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace posix
