#pragma once
// Error types. Every failure in the program is an exception carrying the message the user
// (through the default error report) or the caller sees.

#include <stdexcept>
#include <string>

// Base of all errors the program raises itself.
class ZorviaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that does not read as the number, count or date it should be.
class ConvertError : public ZorviaError {
public:
    using ZorviaError::ZorviaError;
};

// A division by zero in a displayed computation (the discount of a deal).
class ArithmeticError : public ZorviaError {
public:
    using ZorviaError::ZorviaError;
};
