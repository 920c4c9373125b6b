#include "posix/pdf/PrintedLayers.h"

#include <exception>
#include <vector>

namespace posix::pdf {

namespace {

// Visibility expressions nest; real ones are a few levels deep.
constexpr int kDeepestExpression = 32;

std::vector<QPDFObjectHandle> itemsOf(QPDFObjectHandle value) {
    if (value.isArray()) return value.getArrayAsVector();
    if (value.isNull()) return {};
    return {value};
}

}  // namespace

PrintedLayers::PrintedLayers(QPDF& document) {
    try {
        QPDFObjectHandle properties = document.getRoot().getKey("/OCProperties");
        if (!properties.isDictionary()) return;
        QPDFObjectHandle configuration = properties.getKey("/D");
        if (!configuration.isDictionary()) configuration = QPDFObjectHandle::newDictionary();
        const bool baseOff = configuration.getKey("/BaseState").isNameAndEquals("/OFF");
        for (QPDFObjectHandle& group : itemsOf(properties.getKey("/OCGs"))) {
            if (baseOff && group.isIndirect()) off_.insert(group.getObjGen());
        }
        for (QPDFObjectHandle& group : itemsOf(configuration.getKey("/ON"))) {
            if (group.isIndirect()) off_.erase(group.getObjGen());
        }
        for (QPDFObjectHandle& group : itemsOf(configuration.getKey("/OFF"))) {
            if (group.isIndirect()) off_.insert(group.getObjGen());
        }
        // A group's print usage decides for printing, as viewers print.
        for (QPDFObjectHandle& group : itemsOf(properties.getKey("/OCGs"))) {
            if (!group.isIndirect() || !group.isDictionary()) continue;
            QPDFObjectHandle state = group.getKey("/Usage").getKey("/Print").getKey("/PrintState");
            if (state.isNameAndEquals("/OFF")) off_.insert(group.getObjGen());
            if (state.isNameAndEquals("/ON")) off_.erase(group.getObjGen());
        }
    } catch (const std::exception&) {
        // What cannot be read hides nothing.
        off_.clear();
    }
}

bool PrintedLayers::groupPrints(QPDFObjectHandle group) const {
    return !group.isIndirect() || !off_.count(group.getObjGen());
}

bool PrintedLayers::expressionPrints(QPDFObjectHandle expression, int depth) const {
    if (expression.isDictionary()) return groupPrints(expression);
    if (!expression.isArray() || expression.getArrayNItems() < 2 || depth > kDeepestExpression) return true;
    std::vector<QPDFObjectHandle> items = expression.getArrayAsVector();
    QPDFObjectHandle op = items.front();
    items.erase(items.begin());
    if (op.isNameAndEquals("/Not")) return !expressionPrints(items.front(), depth + 1);
    const bool all = op.isNameAndEquals("/And");
    if (!all && !op.isNameAndEquals("/Or")) return true;
    for (QPDFObjectHandle& item : items) {
        if (expressionPrints(item, depth + 1) != all) return !all;
    }
    return all;
}

bool PrintedLayers::prints(QPDFObjectHandle marking) const {
    try {
        if (!marking.isDictionary()) return true;
        if (!marking.getKey("/Type").isNameAndEquals("/OCMD")) return groupPrints(marking);
        QPDFObjectHandle expression = marking.getKey("/VE");
        if (expression.isArray()) return expressionPrints(expression, 0);
        std::vector<bool> states;
        for (QPDFObjectHandle& group : itemsOf(marking.getKey("/OCGs"))) {
            if (group.isDictionary()) states.push_back(groupPrints(group));
        }
        if (states.empty()) return true;
        QPDFObjectHandle policy = marking.getKey("/P");
        const auto count = [&](bool state) {
            size_t n = 0;
            for (bool s : states) n += s == state;
            return n;
        };
        if (policy.isNameAndEquals("/AllOn")) return count(false) == 0;
        if (policy.isNameAndEquals("/AnyOff")) return count(false) > 0;
        if (policy.isNameAndEquals("/AllOff")) return count(true) == 0;
        return count(true) > 0;   // /AnyOn, the default
    } catch (const std::exception&) {
        return true;
    }
}

}  // namespace posix::pdf
