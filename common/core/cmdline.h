// Command-line option lookup shared by every program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Holds the program's arguments, split once (on Windows by
// CommandLineToArgvW: ProcessArguments() in cmdline_win32.h), and answers
// lookups of one option at a time. Options are "/KEY:value", "-KEY:value",
// "/FLAG" or "-FLAG"; keys compare ignoring ASCII case, values are returned
// as written; argument 0 (the program path) is never examined.
class CParseParam {
public:
    // Uses the given, already split arguments (argument 0 included).
    explicit CParseParam(std::vector<std::wstring> arguments);
    ~CParseParam();

    CParseParam(const CParseParam&) = delete;
    CParseParam& operator=(const CParseParam&) = delete;

    // Value lookup when pbFlag is null: the text behind the first argument
    // that starts with the prefix and the key; empty when that text is
    // empty or no argument matches. Flag lookup when pbFlag is set: *pbFlag
    // becomes 1 when an argument is exactly prefix and key, and is left
    // untouched otherwise; the result is then always empty.
    std::wstring Find(const wchar_t* key, int32_t* pbFlag) const;

    int32_t Count() const { return m_argc; }

private:
    std::vector<std::wstring> m_argv;
    int32_t m_argc = 0;
};

namespace fwu {

// The arguments of a console program's main(argc, argv) on hosts whose
// arguments are UTF-8 (on Windows, wmain's are used as they are).
std::vector<std::wstring> ArgumentsFromUtf8(int argc, char** argv);

}  // namespace fwu
