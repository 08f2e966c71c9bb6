// The text of the stored command-line files (__MyParams.dat and
// __MyParamsOwner.dat): UTF-16LE code units of one command line, split the
// way the platform's CommandLineToArgvW splits it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace upd {

// Splits one command line into its arguments, program path first:
// - the program path ends at the next double quote when it starts with one,
//   else at the first character up to U+0020 (that character is dropped);
// - the other arguments are separated by blanks and tabs outside quotes;
//   2n backslashes before a double quote give n backslashes and the quote
//   opens or closes a quoted part, 2n+1 give n backslashes and a literal
//   quote, backslashes before anything else stay as they are; two double
//   quotes inside a quoted part give one literal quote and close the part.
// An empty line gives no arguments at all. Code units are kept as they are.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

// The arguments stored in a parameter file's bytes: little-endian code
// units (an odd last byte is the low half of a last unit), up to the first
// zero unit; a leading byte-order mark is skipped so that it cannot glue
// itself to the program path. No text gives no arguments.
std::vector<std::wstring> ParameterFileArguments(const uint8_t* bytes, size_t size);

}  // namespace upd
