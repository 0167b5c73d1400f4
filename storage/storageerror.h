#pragma once

#include <stdexcept>

// Raised by the storage layer; the text is the one shown to the user.
class StorageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
