// A string parameter whose value may refer to environment variables as
// $NAME or ${NAME}, replaced when the expanded value is asked for.
#pragma once

#include <map>
#include <string>

#include "plat/Configuration.h"

namespace plat {

class ExpandParameter : public StringParameter {
public:
    std::map<std::string, std::string> variables;   // take precedence over the environment

    ExpandParameter(const char* name, const char* description, const char* defaultValue,
                    bool flag, ParameterSet* set = nullptr);
    ~ExpandParameter() override;

    // A new heap text (caller frees with delete[]) with every reference
    // replaced; ExceptionFmt "unknown environment variable: %s" for a
    // variable without a value.
    char* getExpandedValue();
};

// Expands text by the rules above, looking names up in variables and then
// in the environment (readEnvironmentVariable: UTF-8 on every system). A
// "${" without a later "}" keeps the rest of the text as it stands.
// Returns a new heap text.
char* expandVariables(const char* text, const std::map<std::string, std::string>& variables);

}  // namespace plat
