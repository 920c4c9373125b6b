// Parameters, the string parameter and the parameter set with its handling
// of name=value arguments.
#include "plat/Configuration.h"

#include <climits>
#include <cstring>
#include <new>

#include "plat/CriticalSection.h"
#include "plat/Exception.h"
#include "plat/Strings.h"

namespace plat {

namespace {

// Guards the values of all string parameters. Made on first use, so that
// parameters constructed before this file's objects can still take it, and
// recursive, so that a callback reached under it may set a parameter again.
CriticalSection& parameterLock() {
    static CriticalSection lock;
    return lock;
}

// Leaves the parameter lock on every way out of a scope, exceptions included.
struct ParameterLockScope {
    ParameterLockScope() { enterParameterLock(); }
    ~ParameterLockScope() { leaveParameterLock(); }
    ParameterLockScope(const ParameterLockScope&) = delete;
    ParameterLockScope& operator=(const ParameterLockScope&) = delete;
};

}  // namespace

void enterParameterLock() { parameterLock().enter(); }
void leaveParameterLock() { parameterLock().leave(); }

// ----------------------------------------------------------- VoidParameter

// The base does not link itself: a derived constructor links the parameter
// once nothing can fail any more, so a refused parameter never sits in a set.
VoidParameter::VoidParameter(const char* parameterName, const char* parameterDescription,
                             bool constructionFlag, ParameterSet*)
    : next(nullptr),
      priority(10),
      name(parameterName),
      description(parameterDescription),
      flag(constructionFlag),
      callback(nullptr) {}

VoidParameter::~VoidParameter() = default;

void VoidParameter::linkInto(ParameterSet* set) {
    if (set == nullptr) set = ParameterSet::global();
    next = set->head;
    set->head = this;
}

bool VoidParameter::setParamNoValue() { return false; }

bool VoidParameter::setParamWithPriority(const char* text, int32_t newPriority) {
    if (newPriority > priority) return false;
    bool accepted = text != nullptr ? setParam(text) : setParamNoValue();
    if (!accepted) return false;
    priority = newPriority;
    return true;
}

bool VoidParameter::isBoolKind() { return false; }
bool VoidParameter::isIntKind() { return false; }
bool VoidParameter::isBinaryKind() { return false; }
bool VoidParameter::isEnumKind() { return false; }
bool VoidParameter::isListKind() { return false; }
bool VoidParameter::isStringKind() { return false; }

// --------------------------------------------------------- StringParameter

StringParameter::StringParameter(const char* parameterName, const char* parameterDescription,
                                 const char* defaultValue, bool constructionFlag,
                                 ParameterSet* set)
    : VoidParameter(parameterName, parameterDescription, constructionFlag, set), value(nullptr) {
    if (defaultValue == nullptr) {
        AssertionFail failure("v", "Configuration", 434);
        failure.appendDetail("Default value <null> for %s not allowed", parameterName);
        throw failure;
    }
    value = dupString(defaultValue);
    linkInto(set);
}

StringParameter::~StringParameter() { delete[] value; }

bool StringParameter::setParam(const char* text) {
    {
        ParameterLockScope locked;
        if (text == nullptr) {
            AssertionFail failure("v", "Configuration", 443);
            failure.appendDetail("setParam(<null>) for %s not allowed", name);
            throw failure;
        }
        char* fresh = dupString(text);
        delete[] value;
        value = fresh;
        configLog.info("set %s(String) to %s", name, value);
    }
    // Outside the lock, so the callback may read this parameter.
    if (callback != nullptr) callback->parameterChanged(this);
    return true;
}

char* StringParameter::getValueStr() {
    ParameterLockScope locked;
    return dupString(value);
}

bool StringParameter::isStringKind() { return true; }

VoidParameter* StringParameter::clone(ParameterSet* set) {
    try {
        HeapArray<char> current(getValueStr());
        return new StringParameter(name, description, current.get(), flag, set);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// ------------------------------------------------------------ ParameterSet

ParameterSet::ParameterSet(const char* setName)
    : name(dupString(setName)), head(nullptr), next(nullptr) {}

ParameterSet::~ParameterSet() { delete[] name; }

ParameterSet* ParameterSet::global() {
    // Completed before the first parameter that asks for it, so it outlives
    // every parameter at exit.
    static ParameterSet globalSet("Global");
    return &globalSet;
}

bool ParameterSet::setParam(const char* parameterName, int nameLength, const char* text,
                            int32_t newPriority) {
    if (parameterName == nullptr || nameLength < 0) return false;
    for (VoidParameter* parameter = head; parameter != nullptr; parameter = parameter->next) {
        if (strlen(parameter->name) == static_cast<size_t>(nameLength) &&
            compareNoCase(parameter->name, parameterName, static_cast<size_t>(nameLength)) == 0) {
            return parameter->setParamWithPriority(text, newPriority);
        }
    }
    if (next != nullptr) return next->setParam(parameterName, nameLength, text, newPriority);
    return false;
}

bool ParameterSet::processArg(const char* argument, int32_t newPriority) {
    if (argument == nullptr) return false;
    const char* rest = argument;
    bool dashed = false;
    if (*rest == '-') {
        dashed = true;
        ++rest;
        if (*rest == '-') ++rest;
    }
    if (const char* equals = strchr(rest, '='); equals != nullptr) {
        size_t nameLength = static_cast<size_t>(equals - rest);
        // A name too long to be any parameter's cannot match.
        if (nameLength > static_cast<size_t>(INT_MAX)) return false;
        return setParam(rest, static_cast<int>(nameLength), equals + 1, newPriority);
    }
    if (dashed) {
        size_t nameLength = strlen(rest);
        if (nameLength > static_cast<size_t>(INT_MAX)) return false;
        return setParam(rest, static_cast<int>(nameLength), nullptr, newPriority);
    }
    if (next != nullptr) return next->processArg(argument, newPriority);
    return false;
}

}  // namespace plat
