#include "plat/DynamicFn.h"

#include <cstring>

#include "plat/Strings.h"
#include "plat/TextBuffer.h"

namespace plat {

namespace {

// A name with a directory part is used as written. Windows paths have a
// backslash; a POSIX path has no backslash, only slashes (which Windows
// accepts in paths as well).
bool isPath(const char* name) {
    return std::strchr(name, '\\') != nullptr || std::strchr(name, '/') != nullptr;
}

// True when the first entry of a library list carries bracketed alternatives: a "["
// before the comma that ends the entry. A bracket in a later entry belongs
// to that entry, so the plain entries in front of it are still tried.
bool entryHasAlternatives(const char* list) {
    const char* bracket = std::strchr(list, '[');
    const char* comma = std::strchr(list, ',');
    return bracket != nullptr && (comma == nullptr || bracket < comma);
}

// Takes the first entry off rest: its name and, for name[alt,...], the
// alternatives (null without brackets). rest becomes what follows the entry
// and its comma, or null.
void takeEntry(HeapArray<char>& rest, HeapArray<char>& name, HeapArray<char>& alternatives) {
    alternatives.reset();
    if (!entryHasAlternatives(rest.data)) {
        splitString(rest.data, ',', &name.data, &rest.data, false);
        return;
    }
    HeapArray<char> afterBracket;
    splitString(rest.data, '[', &name.data, &afterBracket.data, false);
    // Without a closing bracket the whole rest is the alternatives.
    splitString(afterBracket.data, ']', &alternatives.data, &rest.data, false);
    if (rest.data != nullptr) {
        const char* comma = std::strchr(rest.data, ',');
        rest.reset(comma ? dupString(comma + 1) : nullptr);
    }
}

void reportNotLoaded(const char* libraryName) {
    dynamicFnLog.write(LevelDynamicFn, " [DynFnOpen(%s) failed]", libraryName);
}

bool isAbsentLibrary(const char* name) {
    for (const char* const* absent = absentLibraries; *absent; ++absent)
        if (compareNoCase(name, *absent) == 0) return true;
    return false;
}

}  // namespace

DynamicFn::DynamicFn(AtStartup, const char* librarySpec, const char* procNames, bool literalNames)
    : function(nullptr), module(nullptr) {
    duringStartup([&] { search(librarySpec, procNames, literalNames); });
}

DynamicFn::DynamicFn(const char* librarySpec, const char* procNames, bool literalNames)
    : function(nullptr), module(nullptr) {
    search(librarySpec, procNames, literalNames);
}

void DynamicFn::search(const char* librarySpec, const char* procNames, bool literalNames) {
    HeapArray<char> rest(dupString(librarySpec));
    HeapArray<char> name;
    HeapArray<char> alternatives;
    TextBuffer candidate;

    while (rest.data != nullptr) {
        if (literalNames) {
            alternatives.reset();
            splitString(rest.data, ',', &name.data, &rest.data, false);
            if (open(name.data, procNames)) return;
            continue;
        }

        takeEntry(rest, name, alternatives);
        if (isPath(name.data)) {
            if (open(name.data, procNames)) return;
        } else if (alternatives.data == nullptr) {
            const bool absent = isAbsentLibrary(name.data);
            for (const char* const* pattern = singleNamePatterns; *pattern; ++pattern) {
                candidate.clear();
                candidate.appendFormat(*pattern, name.data);
                if (absent) {
                    reportNotLoaded(candidate.data);
                } else if (open(candidate.data, procNames)) {
                    return;
                }
            }
        } else {
            TokenCursor cursor(alternatives.data);
            while (char* alternative = cursor.next(',')) {
                for (const char* const* pattern = alternativePatterns; *pattern; ++pattern) {
                    candidate.clear();
                    candidate.appendFormat(*pattern, name.data, alternative);
                    if (open(candidate.data, procNames)) return;
                }
            }
        }
    }
}

DynamicFn::~DynamicFn() {
    if (module != nullptr) FreeLibrary(module);
}

bool DynamicFn::open(const char* libraryName, const char* procNames) {
    // A later attempt replaces an earlier find; its library is given back.
    if (module != nullptr) FreeLibrary(module);
    module = nullptr;
    function = nullptr;
    if (libraryName == nullptr) return false;

    WideChars wideName(libraryName);
    module = LoadLibraryW(wideName);
    if (module == nullptr) {
        reportNotLoaded(libraryName);
        return false;
    }
    HeapArray<char> names(dupString(procNames));
    TokenCursor cursor(names.data);
    while (char* name = cursor.next(',')) {
        function = reinterpret_cast<void*>(GetProcAddress(module, name));
        if (function != nullptr) {
            dynamicFnLog.info("found '%s' in '%s'", name, libraryName);
            return true;
        }
        dynamicFnLog.write(LevelDynamicFn, "  [DynFnFind(%s) failed]", name);
    }
    FreeLibrary(module);
    module = nullptr;
    return false;
}

}  // namespace plat
