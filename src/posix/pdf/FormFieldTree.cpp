#include "posix/pdf/FormFieldTree.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <exception>
#include <vector>

#include "posix/pdf/QpdfFiles.h"
#include "posix/pdf/RawFieldTree.h"

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
            // Every path waiting is one more: no need to hold more of them.
            if (paths + pending.size() + static_cast<size_t>(kids.getArrayNItems()) >= kMostFormFieldPaths) return true;
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

bool wideValueTakesFormAppearance(QPDFFormFieldObjectHelper& field) {
    std::string ascii;
    return field.getFieldType() == "/Tx" && !field.getInheritableFieldValue("/DA").isString() &&
           !QUtil::utf8_to_ascii(field.getValueAsString(), ascii);
}

std::string copyForDrawingForms(QPDF& document) {
    try {
        if (!appearancesFromValues(document)) return {};
        QPDFObjectHandle formDefault = document.getRoot().getKey("/AcroForm").getKey("/DA");
        if (!formDefault.isString()) return {};
        bool changed = false;
        QPDFAcroFormDocumentHelper forms(document);
        for (QPDFFormFieldObjectHelper& field : forms.getFormFields()) {
            if (!wideValueTakesFormAppearance(field)) continue;
            field.getObjectHandle().replaceKey("/DA", QPDFObjectHandle::newString(formDefault.getStringValue()));
            changed = true;
        }
        if (!changed) return {};
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.write();
        const std::shared_ptr<Buffer> written = writer.getBufferSharedPointer();
        return std::string(reinterpret_cast<const char*>(written->getBuffer()), written->getSize());
    } catch (const std::exception&) {
        return {};
    }
}

FormFacts formFacts(const char* fileName, const char* password) {
    try {
        std::shared_ptr<QPDF> document = openWithQpdf(fileName, password);
        FormFacts facts{formFieldTreeTooLarge(*document), false, appearancesFromValues(*document), {}};
        if (facts.treeTooLarge) return facts;
        if (document->anyWarnings()) {
            // qpdf's repair is not poppler's.
            const RawTrees raw = rawTreesTooLarge(fileName, kMostFormFieldPaths, kMostPageTreePaths);
            facts.treeTooLarge = raw.fieldsTooLarge;
            facts.pageTreeTooLarge = raw.pagesTooLarge;
        } else {
            facts.copyForDrawing = copyForDrawingForms(*document);
        }
        return facts;
    } catch (const std::exception&) {
        const RawTrees raw = rawTreesTooLarge(fileName, kMostFormFieldPaths, kMostPageTreePaths);
        return FormFacts{raw.fieldsTooLarge, raw.pagesTooLarge, false, {}};
    }
}

}  // namespace posix
