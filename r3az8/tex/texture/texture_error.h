// The one error type of the texture files and conversion calls: a message
// for the user, naming the file where there is one, and what kind of
// failure it is.
#pragma once

#include <stdexcept>
#include <string>

namespace r3az8tex {

// The kinds keep their numbers, so that a program may use them as its exit
// codes (r3aztex does).
enum class ErrorKind : int {
    Request = 1,     // options that contradict each other or name nothing
    FileAccess = 2,  // a file could not be opened, read, written or renamed
    Malformed = 3,   // an input file breaks the rules of its format
    Unsupported = 4, // a valid input or request beyond what is handled
    Internal = 5,    // a fault of this code or of the library below it
};

class TextureError : public std::runtime_error {
public:
    TextureError(ErrorKind code, const std::string& message) : std::runtime_error(message), code_(code) {}

    ErrorKind Code() const { return code_; }

private:
    ErrorKind code_;
};

// "file: reason", the shape of every per-file message.
inline TextureError FileError(ErrorKind code, const std::string& file, const std::string& reason)
{
    return TextureError(code, file + ": " + reason);
}

} // namespace r3az8tex
