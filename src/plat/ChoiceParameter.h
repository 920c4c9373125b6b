// Parameters whose value must be one of a few words (Render=auto|always):
// the value is kept as it was set, and a run checks all of them before it
// prints anything, so that a setting that cannot be honoured prints nothing.
#pragma once

#include <initializer_list>
#include <vector>

#include "plat/Configuration.h"
#include "plat/Exception.h"

namespace plat {

// A parameter value the program does not accept.
struct BadParameterValue : Exception {
    explicit BadParameterValue(const char* text) : Exception(text) {}
};

class ChoiceParameter : public StringParameter {
public:
    // The first choice is the default. Names and choices are not copied.
    ChoiceParameter(const char* name, const char* description,
                    std::initializer_list<const char*> choices, ParameterSet* set = nullptr);
    ChoiceParameter(const ChoiceParameter&) = delete;
    ChoiceParameter& operator=(const ChoiceParameter&) = delete;

    // The index of the value among the choices (case ignored); throws
    // BadParameterValue naming the parameter, the value and the choices.
    int choice();

    // Throws for the first parameter of this kind whose value is not one
    // of its choices.
    static void checkAll();

private:
    std::vector<const char*> choices_;
    ChoiceParameter* nextChoice_;
};

}  // namespace plat
