#pragma once

#include <QString>

#include <exception>

// What the user is told about a failure: the exception's own text, or
// "Unspecified application error" when it carries none or is not a standard
// exception. Every window, dialog and the top-level error box use these.
QString unspecifiedErrorText();
QString errorText(const std::exception &error);
