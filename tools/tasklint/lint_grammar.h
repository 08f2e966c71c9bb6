// The spellings TaskLint reads in a task list as Update reads them: numbers
// (what Update's number reader takes in full, what holds more than 32 bits),
// the names of task sections, RET_ keys and the task dialog's indexed keys
// (each checked against the name Update forms for it), and the spelling
// distance behind "did you mean".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace fwu::lint {

// "0x0000ABCD": a result as findings write it.
std::wstring Hex(uint32_t v);
// Result values in the graph: small numbers in decimal, the rest in hex.
std::wstring ShortValue(uint32_t v);

bool IsHexDigit(wchar_t c);
// A number written as Update reads it in full: "-123", "456", "0x1F".
bool IsCleanNumber(const std::wstring& t);
// A clean number (IsCleanNumber) that holds more than 32 bits: Update keeps
// only the low 32 bits of it ("4294967297" reads as 1), so it never means
// what it says. Decimals run from -2147483648 to 4294967295, hexadecimals
// to 0xFFFFFFFF (leading zeros do not count).
bool IsBeyond32Bits(const std::wstring& t);

// The task number a section name stands for: the number whose section name
// Update forms as this name ("TASK_12" -> 12, "TASK_-2" -> 0xFFFFFFFE).
// `looksLikeTask`: the name starts with "TASK_". Names Update never forms
// ("TASK_02", "TASK_+2", "TASK_-0") give nothing.
std::optional<uint32_t> TaskNumberOf(const std::wstring& name, bool* looksLikeTask);

// The result of a RET_ key: "RET_0x0000ABCD" -> 0xABCD (letter case ignored,
// as the profile reader ignores it in key names); nothing for other spellings.
std::optional<uint32_t> RetKeyResult(const std::wstring& key);

// "TD_Button3_ID" -> {Button, 3, true}.
struct IndexedKey {
    bool radio = false;
    uint32_t index = 0;
    bool id = false;
};
std::optional<IndexedKey> ParseIndexedKey(const std::wstring& key);

// Edit distance, letters compared ignoring ASCII case.
size_t EditDistance(const std::wstring& a, const std::wstring& b);

std::wstring LastPathPart(const std::wstring& path);
// The text on one line ("\n" as a blank), cut to `max` characters.
std::wstring Shorten(std::wstring text, size_t max);

}  // namespace fwu::lint
