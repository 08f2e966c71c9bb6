// A log that keeps its lines, for tests of code that writes to a program's
// log.
#pragma once

#include <string>
#include <vector>

#include "logsink.h"

namespace fwu::test {

class RecordingLog final : public ILog {
public:
    std::vector<std::wstring> lines;
    void Line(const std::wstring& text) override { lines.push_back(text); }
};

}  // namespace fwu::test
