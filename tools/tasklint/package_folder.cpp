#include "package_folder.h"

#include <system_error>

#include "tasklint_core.h"
#include "text.h"

namespace fwu::lint {

namespace {
// What a start of a missing program fails with (ERROR_FILE_NOT_FOUND).
constexpr uint32_t kErrorFileNotFound = 2;
}  // namespace

std::filesystem::path WideToPath(const std::wstring& text) {
#ifdef _WIN32
    return std::filesystem::path(text);
#else
    return std::filesystem::path(ToUtf8(text));
#endif
}

std::wstring PathToWide(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return FromUtf8(path.string());
#endif
}

std::optional<std::filesystem::path> FindNoCase(const std::filesystem::path& folder, const std::wstring& name,
                                                EntryKind kind) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!EqualsNoCaseAscii(PathToWide(it->path().filename()), name)) continue;
        if (kind == EntryKind::Folder && !it->is_directory(ec)) continue;
        if (kind == EntryKind::File && !it->is_regular_file(ec)) continue;
        return it->path();
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> FindInFolder(const std::filesystem::path& folder, const std::wstring& relative,
                                                  EntryKind kind) {
    std::filesystem::path cur = folder;
    size_t pos = 0;
    while (pos <= relative.size()) {
        size_t next = relative.find_first_of(L"\\/", pos);
        std::wstring part = relative.substr(pos, next == std::wstring::npos ? std::wstring::npos : next - pos);
        pos = next == std::wstring::npos ? relative.size() + 1 : next + 1;
        if (part.empty() || part == L".") continue;
        if (part == L"..") {
            cur = cur.parent_path();
            continue;
        }
        std::optional<std::filesystem::path> hit = FindNoCase(cur, part, kind);
        if (!hit) return std::nullopt;
        cur = *hit;
    }
    return cur;
}

bool ExistsInFolder(const std::filesystem::path& folder, const std::wstring& relative) {
    auto exists = [&](const std::wstring& path) {
        std::optional<std::filesystem::path> found = FindInFolder(folder, path, EntryKind::Any);
        std::error_code ec;
        return found && std::filesystem::exists(*found, ec);
    };
    if (exists(relative)) return true;
    size_t last = relative.find_last_of(L"\\/");
    std::wstring name = last == std::wstring::npos ? relative : relative.substr(last + 1);
    return !name.empty() && name.find(L'.') == std::wstring::npos && exists(relative + L".exe");
}

uint32_t ProgramStartError(const std::filesystem::path& folder, const std::wstring& relative) {
    std::optional<std::filesystem::path> found = FindInFolder(folder, relative, EntryKind::Any);
    std::error_code ec;
    return !found || std::filesystem::is_directory(*found, ec) ? kErrorFileNotFound : 0;
}

}  // namespace fwu::lint
