// Sequential input: files opened for reading under a file number, read one
// delimited field at a time.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/variant.h"

namespace rt {

// Opens the file at a Windows-form path (used up to its first NUL) for input under
// a file number from 1 to 511. Raises "File already open" when the number is taken,
// "File not found" and the like when the file cannot be opened.
void OpenForInput(const std::u16string& path, int fileNumber);

// True once every byte of the file has been read (trailing line ends included).
bool Eof(int fileNumber);

// Reads the next field. A field ends at a comma or a line end (CR, LF or CR LF);
// blanks around it are dropped. A field that starts with a double quote runs to the
// next double quote, commas and line ends included, and is always text. Otherwise
// a field that reads as a decimal number becomes a number and an empty field
// becomes Empty. Raises "Input past end of file" at the end, and "Out of memory"
// when the text read from the file would pass the memory the program may take.
// While a long read runs, the window's paint requests are served (user input waits).
void Input(int fileNumber, Variant& field);

// Closes the file; closing a number that is not open does nothing.
void Close(int fileNumber);
// Closes every file opened for input.
void Reset();

// The variant as text: Empty is "", numbers without needless digits ("12", "0.5", "1E+20").
std::u16string TextOf(const Variant& value);

// Appends the field's text (as TextOf gives it) to text collected from the file,
// room for the whole file's text being made at the first append. A field longer than
// a read block comes with room for the text read before it and the rest of the file:
// its string then takes the collected text in front and becomes it, so that a file
// that is one long field is held once, not twice.
void AppendTextOf(std::u16string& text, Variant& field, int fileNumber);

}  // namespace rt
