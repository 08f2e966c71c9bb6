// Feeds TaskLint's checker the text of a task section: the input follows a
// "[TASK_1]" line, so every byte goes to keys, values and whatever further
// lines and sections it writes. Findings, their text and the flow graph;
// no package folder (no file system access). How the file is decoded is
// fuzz_config_file's; the flow over many tasks is fuzz_tasklint_flow's.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tasklint_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    static const char kFrame[] = "[TASK_1]\r\n";
    std::vector<uint8_t> bytes(kFrame, kFrame + sizeof kFrame - 1);
    bytes.insert(bytes.end(), data, data + size);
    fwu::lint::LintOptions options;
    fwu::lint::LintReport report = fwu::lint::LintConfigBytes(bytes, options);
    for (const auto& f : report.findings) (void)fwu::lint::FormatFinding(L"config.ini", f);
    (void)fwu::lint::WriteDot(report, L"config.ini");
    if (report.ExitCode() < 0 || report.ExitCode() > 2) std::abort();
    return 0;
}
