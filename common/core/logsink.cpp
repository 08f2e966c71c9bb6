#include "logsink.h"

#include <cstdarg>

#include "text.h"

namespace fwu {

void LogLine(ILog& log, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatStringV(format, args);
    va_end(args);
    log.Line(text);
}

}  // namespace fwu
