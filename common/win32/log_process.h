// One log for the whole process, for code that is not handed an ILog: the
// free functions write to a CLogFile opened by OpenLogFile and closed by
// CloseLogFile. Programs that pass their log down (every tool) never include
// this header.
#pragma once

#include <string>

#include "log.h"

// Opens the process's log (see CLogFile). When it is open already, the
// banner and "LOG mode (<path>)." are written to it again.
void OpenLogFile(const std::wstring& path, const std::wstring& bannerName);
// Closes the log; later writes are silent no-ops.
void CloseLogFile();
void LogWriteLine(const std::wstring& text);
// Formats like wprintf ("%ls" for wide strings) and writes one line.
void LogPrintf(const wchar_t* format, ...);

namespace fwu {
// The process's log as an ILog (lines dropped while it is closed).
ILog& ProcessLog();
}  // namespace fwu
