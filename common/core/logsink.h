// Where a program's log lines go. The Win32 layer writes them to the log
// file given with LOG: (or nowhere when there is none); tests record them.
#pragma once

#include <string>

namespace fwu {

class ILog {
public:
    virtual ~ILog() = default;
    // One line; the sink adds the time prefix and the line break.
    virtual void Line(const std::wstring& text) = 0;
};

// printf-style line ("%ls" for wide strings).
void LogLine(ILog& log, const wchar_t* format, ...);

// A log that drops every line (no LOG: given, or a caller that logs nothing).
class NullLog final : public ILog {
public:
    void Line(const std::wstring&) override {}
};

}  // namespace fwu
