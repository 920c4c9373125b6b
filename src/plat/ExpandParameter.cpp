// Environment-variable references ($NAME, ${NAME}) in string parameters.
#include "plat/ExpandParameter.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "plat/TextBuffer.h"
#include "plat/WinApi.h"

namespace plat {

namespace {

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// The value of a referenced variable: the parameter's own table first, then
// the process environment. Undefined is an error; defined but empty is not.
std::string lookUp(const std::string& name, const std::map<std::string, std::string>& variables) {
    if (auto found = variables.find(name); found != variables.end()) return found->second;
    // In UTF-8 on every system, as the program's other texts.
    if (std::string value; readEnvironmentVariable(name.c_str(), value)) return value;
    throw ExceptionFmt("unknown environment variable: %s", name.c_str());
}

}  // namespace

char* expandVariables(const char* text, const std::map<std::string, std::string>& variables) {
    if (text == nullptr) return nullptr;
    TextBuffer out(static_cast<int32_t>(strlen(text)));
    const char* cursor = text;
    while (const char* dollar = strchr(cursor, '$')) {
        out.append(cursor, static_cast<int>(dollar - cursor));
        const char* after = dollar + 1;
        if (*after == '{') {
            if (after[1] == '}') {               // ${} stands for a single $
                out.append("$");
                cursor = after + 2;
                continue;
            }
            const char* close = strchr(after + 1, '}');
            if (close == nullptr) {              // unterminated: keep the rest as written
                out.append(dollar);
                return out.release();
            }
            out.append(lookUp(std::string(after + 1, close), variables).c_str());
            cursor = close;
        } else {
            const char* end = after;
            while (isNameChar(*end)) ++end;
            if (end == after) {
                out.append("$");                 // a $ that starts no name stays
            } else {
                out.append(lookUp(std::string(after, end), variables).c_str());
            }
            cursor = end;
        }
        // Ends the ${NAME} form; also swallows a "}" right after $NAME or a lone $.
        if (*cursor == '}') ++cursor;
    }
    out.append(cursor);
    return out.release();
}

ExpandParameter::ExpandParameter(const char* parameterName, const char* parameterDescription,
                                 const char* defaultValue, bool constructionFlag,
                                 ParameterSet* set)
    : StringParameter(parameterName, parameterDescription, defaultValue, constructionFlag, set) {}

ExpandParameter::~ExpandParameter() { variables.clear(); }

char* ExpandParameter::getExpandedValue() {
    HeapArray<char> raw(getValueStr());
    return expandVariables(raw.get(), variables);
}

}  // namespace plat
