// Named configuration parameters in parameter sets, set by code or from
// name=value arguments under a priority rule, with change callbacks.
#pragma once

#include <cstdint>

#include "plat/LogWriter.h"

namespace plat {

class VoidParameter;
class ParameterSet;

class ParameterChangedCallback {
public:
    virtual ~ParameterChangedCallback() = default;
    virtual void parameterChanged(VoidParameter* parameter) = 0;
};

class VoidParameter {
public:
    VoidParameter* next;
    int32_t priority;                      // lower is stronger; 10 after construction
    const char* name;
    const char* description;
    bool flag;                             // kept and cloned, read nowhere else
    ParameterChangedCallback* callback;    // not owned

    VoidParameter(const char* name, const char* description, bool flag, ParameterSet* set);
    virtual ~VoidParameter();
    // A parameter is linked into its set by its address, and string
    // parameters own their value: copies are made by clone(), not by copying.
    VoidParameter(const VoidParameter&) = delete;
    VoidParameter& operator=(const VoidParameter&) = delete;

    virtual bool setParamNoValue();
    virtual bool setParam(const char* value) = 0;
    virtual bool setParamWithPriority(const char* value, int32_t priority);
    // A new heap copy of the value, freed by the caller with delete[].
    virtual char* getValueStr() = 0;
    virtual bool isBoolKind();
    virtual bool isIntKind();
    virtual bool isBinaryKind();
    virtual bool isEnumKind();
    virtual bool isListKind();
    virtual bool isStringKind();
    virtual VoidParameter* clone(ParameterSet* set) = 0;

protected:
    void linkInto(ParameterSet* set);      // pushes this parameter at the set's head
};

class StringParameter : public VoidParameter {
public:
    char* value;                           // owned, never null

    StringParameter(const char* name, const char* description, const char* defaultValue,
                    bool flag, ParameterSet* set = nullptr);
    ~StringParameter() override;

    bool setParam(const char* value) override;
    char* getValueStr() override;
    bool isStringKind() override;
    VoidParameter* clone(ParameterSet* set) override;
};

class ParameterSet {
public:
    char* name;
    VoidParameter* head;
    ParameterSet* next;

    explicit ParameterSet(const char* name);
    ~ParameterSet();
    ParameterSet(const ParameterSet&) = delete;
    ParameterSet& operator=(const ParameterSet&) = delete;

    static ParameterSet* global();

    bool setParam(const char* name, int nameLength, const char* value, int32_t priority);
    bool processArg(const char* argument, int32_t priority);
};

// The process-wide lock guarding string parameter values, made on first use.
void enterParameterLock();
void leaveParameterLock();

// The "Config" writer, through which parameter changes are logged.
extern LogWriter configLog;

}  // namespace plat
