// Feeds whole config.ini files to TaskLint's checker: findings, their text
// and the flow graph, with no package folder (no file system access).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tasklint_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::vector<uint8_t> bytes(data, data + size);
    fwu::lint::LintOptions options;
    fwu::lint::LintReport report = fwu::lint::LintConfigBytes(bytes, options);
    for (const auto& f : report.findings) (void)fwu::lint::FormatFinding(L"config.ini", f);
    (void)fwu::lint::WriteDot(report, L"config.ini");
    if (report.ExitCode() < 0 || report.ExitCode() > 2) std::abort();
    return 0;
}
