#pragma once

#include <string>

// The desktop program's --help text.
std::string jetwardenUsage();
