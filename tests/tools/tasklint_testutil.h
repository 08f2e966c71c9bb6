// Runs TaskLint over a task list written into a fresh package folder.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "config.h"
#include "inifile.h"
#include "tasklint_core.h"
#include "text.h"

namespace fwu::lint::test {

struct LintRun {
    int code = -1;
    std::string out;
    std::string err;
};

// A package folder: <tmp>/pkg/config/config.ini and the programs beside it.
class PackageDir {
public:
    PackageDir() {
        static std::atomic<int> counter{0};
        root_ = std::filesystem::temp_directory_path() /
                ("tasklint-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(root_ / "config");
    }
    ~PackageDir() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::filesystem::path Config() const { return root_ / "config" / "config.ini"; }
    const std::filesystem::path& Root() const { return root_; }
    void AddFile(const std::string& relative) {
        std::filesystem::path p = root_ / relative;
        std::filesystem::create_directories(p.parent_path());
        WriteWholeFile(p, {'M', 'Z'});
    }
    void WriteText(const std::string& text) {
        WriteWholeFile(Config(), std::vector<uint8_t>(text.begin(), text.end()));
    }
    // The list sealed the way IniSeal seals it.
    void WriteSealed(const std::string& text) {
        IniDocument doc = ParseIni(FromUtf8(text));
        for (auto& s : doc.sections)
            for (auto& e : s.entries) e.value = EncodeSealedValue(e.value);
        std::vector<uint8_t> bytes = SerializeIniUtf16(doc);
        AppendTrailer(bytes);
        WriteWholeFile(Config(), bytes);
    }
    LintRun Lint(std::vector<std::wstring> extra = {}) const {
        std::vector<std::wstring> args{L"TaskLint"};
        for (auto& a : extra) args.push_back(a);
        args.push_back(FromUtf8(Config().string()));
        std::wstring out, err;
        LintRun r;
        r.code = TaskLintMain(args, out, err);
        r.out = ToUtf8(out);
        r.err = ToUtf8(err);
        return r;
    }

private:
    std::filesystem::path root_;
};

inline LintRun LintText(const std::string& text, std::vector<std::wstring> extra = {}) {
    PackageDir dir;
    dir.WriteText(text);
    return dir.Lint(std::move(extra));
}

// Lines of the output that hold `needle`.
inline std::vector<std::string> LinesWith(const std::string& out, const std::string& needle) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t nl = out.find('\n', pos);
        std::string line = out.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (line.find(needle) != std::string::npos) lines.push_back(line);
        pos = nl == std::string::npos ? out.size() : nl + 1;
    }
    return lines;
}

// Asserts exactly one finding holds `needle`, with its location
// ("config.ini:LINE: SEVERITY: [SECTION] KEY:").
inline void ExpectFinding(const LintRun& r, const std::string& location, const std::string& needle) {
    std::vector<std::string> lines = LinesWith(r.out + r.err, needle);
    ASSERT_EQ(lines.size(), 1u) << "output:\n" << r.out << r.err;
    EXPECT_NE(lines[0].find(location), std::string::npos) << lines[0];
}

inline size_t FindingCount(const LintRun& r) {
    return LinesWith(r.out, ": warning: ").size() + LinesWith(r.out, ": error: ").size();
}

}  // namespace fwu::lint::test
