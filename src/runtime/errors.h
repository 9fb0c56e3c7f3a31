// Run-time errors: what a failing runtime call raises inside a handler.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace rt {

// Error numbers, one table for the whole program (errors.cpp holds the texts).
enum ErrorNumber : int {
    ErrOverflow = 6,
    ErrOutOfMemory = 7,
    ErrBadFileNameOrNumber = 52,
    ErrFileNotFound = 53,
    ErrBadFileMode = 54,
    ErrFileAlreadyOpen = 55,
    ErrDeviceIO = 57,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrPermissionDenied = 70,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrInvalidPropertyValue = 380,
    ErrInvalidPicture = 481,
    ErrPictureTooLarge = 482,
    ErrCannotWritePicture = 483,
    ErrPlatformCall = 484,
    ErrCancel = 32755,  // the save dialog was cancelled with CancelError set
};

// The plain reason for an error number ("Overflow", "File not found", ...).
std::u16string ErrorText(int number);

class RuntimeError : public std::exception {
public:
    // detail names what failed (a file and why); it follows the plain reason.
    explicit RuntimeError(int number, std::u16string detail = {});
    int Number() const { return number_; }
    // "Overflow" or "File not found: \home\ann\moon.jpg (no such file)".
    std::u16string Description() const;
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    std::u16string detail_;
    std::string what_;
};

[[noreturn]] void Raise(int number, std::u16string detail = {});

// Thrown by End(): unwinds the running handler; the dispatcher then stops the program.
struct EndRequested {};

}  // namespace rt
