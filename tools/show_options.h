#pragma once

#include <string>

// A finite number and nothing after it.
bool readNumber(const std::string& text, double& value);

// The value of --from or --to: seconds of show time, finite and not negative. False, with the
// problem in words ("--from takes seconds, not 'x'"), otherwise.
bool readShowSeconds(const std::string& option, const std::string& value, double& seconds,
                     std::string& problem);
