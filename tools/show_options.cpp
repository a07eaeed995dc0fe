#include "show_options.h"

#include <cmath>
#include <cstdlib>

bool readNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value);
}

bool readShowSeconds(const std::string& option, const std::string& value, double& seconds,
                     std::string& problem) {
    double read = 0.0;
    if (!readNumber(value, read)) {
        problem = option + " takes seconds, not '" + value + "'";
        return false;
    }
    if (read < 0.0) {
        problem = option + " cannot be negative";
        return false;
    }
    seconds = read;
    return true;
}
