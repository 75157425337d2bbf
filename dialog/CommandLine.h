// The command lines of the tools' runs without a window: options start with / or -, in any
// case.
#pragma once

#include <string>
#include <vector>

inline std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The option's name without its / or -, lower case; empty when the argument is no option.
inline std::string OptionName(const std::string& argument) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
        return {};
    return AsciiLower(argument.substr(1));
}

// Whether one of the arguments is the option (name in lower case, without / or -).
inline bool HasOption(const std::vector<std::string>& arguments, const std::string& name) {
    for (const std::string& argument : arguments)
        if (OptionName(argument) == name)
            return true;
    return false;
}
