#include "log_process.h"

#include <cstdarg>
#include <memory>

#include "../core/text.h"

namespace {

std::unique_ptr<fwu::CLogFile>& TheLog() {
    static std::unique_ptr<fwu::CLogFile> log;
    return log;
}

class CProcessLog final : public fwu::ILog {
public:
    void Line(const std::wstring& text) override { LogWriteLine(text); }
};

}  // namespace

void OpenLogFile(const std::wstring& path, const std::wstring& bannerName) {
    std::unique_ptr<fwu::CLogFile>& log = TheLog();
    if (log && log->IsOpen()) {
        log->Banner(path, bannerName);
        return;
    }
    log = std::make_unique<fwu::CLogFile>(path, bannerName);
}

void CloseLogFile() { TheLog().reset(); }

void LogWriteLine(const std::wstring& text) {
    if (fwu::CLogFile* log = TheLog().get()) log->Line(text);
}

void LogPrintf(const wchar_t* format, ...) {
    if (!TheLog()) return;
    va_list args;
    va_start(args, format);
    std::wstring text = fwu::FormatStringV(format, args);
    va_end(args);
    LogWriteLine(text);
}

namespace fwu {
ILog& ProcessLog() {
    static CProcessLog log;
    return log;
}
}  // namespace fwu
