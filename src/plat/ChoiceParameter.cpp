#include "plat/ChoiceParameter.h"

#include "plat/Strings.h"
#include "plat/TextBuffer.h"

namespace plat {

namespace {

ChoiceParameter*& choiceParameters() {
    static ChoiceParameter* head = nullptr;
    return head;
}

}  // namespace

ChoiceParameter::ChoiceParameter(const char* parameterName, const char* text,
                                 std::initializer_list<const char*> choices, ParameterSet* set)
    : StringParameter(parameterName, text, *choices.begin(), false, set),
      choices_(choices),
      nextChoice_(choiceParameters()) {
    choiceParameters() = this;
}

int ChoiceParameter::choice() {
    HeapArray<char> current(getValueStr());
    for (size_t i = 0; i < choices_.size(); ++i) {
        if (compareNoCase(current.get(), choices_[i]) == 0) return static_cast<int>(i);
    }
    TextBuffer message;
    message.appendFormat("%s=%s is not accepted: use ", name, current.get());
    for (size_t i = 0; i < choices_.size(); ++i) {
        message.appendFormat("%s%s", i == 0 ? "" : i + 1 == choices_.size() ? " or " : ", ",
                             choices_[i]);
    }
    throw BadParameterValue(message.data ? message.data : "");
}

void ChoiceParameter::checkAll() {
    for (ChoiceParameter* parameter = choiceParameters(); parameter != nullptr;
         parameter = parameter->nextChoice_) {
        parameter->choice();
    }
}

}  // namespace plat
