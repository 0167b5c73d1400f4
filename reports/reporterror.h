#pragma once

#include <stdexcept>

// Raised while a report is made; the text is the one shown to the user.
class ReportError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
