// Number rules used by every numeric setting and option.
#pragma once

#include <cstdint>
#include <string>

namespace fwu {

// StrToIntExW with STIF_SUPPORT_HEX: optional leading blanks, then "0x"/"0X"
// and hexadecimal digits, or an optional "-" and decimal digits; parsing
// stops at the first character that does not fit. Fails when no digit was
// read. Values wrap to 32 bits as the platform function does.
bool StrToIntExHex(const std::wstring& text, int32_t* value);

// The standard wide conversion to long, truncated to 32 bits: leading white
// space, an optional sign and the decimal digits at the start; 0 for text.
int32_t LeadingDecimal(const std::wstring& text);

// The rule of every numeric configuration value: empty gives the default,
// else StrToIntExHex, else LeadingDecimal.
int32_t ParseConfigNumber(const std::wstring& text, int32_t defaultValue);

// An unsigned number with automatic base (decimal, "0x" hexadecimal, a
// leading "0" octal) that must consume the whole text. Empty, partly numeric
// or out-of-range text fails.
bool ParseUnsignedAuto(const std::wstring& text, uint32_t* value);

}  // namespace fwu
