// The Log parameter: <writer>:<target>:<level>[,...] connects writers to
// targets; every change re-applies the whole value.
#pragma once

#include "plat/Configuration.h"

class LogParameterChangedCallback : public plat::ParameterChangedCallback {
public:
    void parameterChanged(plat::VoidParameter* parameter) override;
};

// Applies one element; false when it is malformed or names no writer.
bool applyLogElement(const char* element);

extern plat::StringParameter logParameter;
extern LogParameterChangedCallback logParameterChangedCallback;
