#include "probes.h"

#include <vector>

#include "text.h"

namespace upd {

namespace {

wchar_t FoldLowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; }

std::wstring Trim(std::wstring entry) {
    auto trimFront = [&](wchar_t c) {
        size_t n = 0;
        while (n < entry.size() && entry[n] == c) ++n;
        entry.erase(0, n);
    };
    auto trimBack = [&](wchar_t c) {
        while (!entry.empty() && entry.back() == c) entry.pop_back();
    };
    trimFront(L' ');
    trimBack(L' ');
    trimFront(L'"');
    trimBack(L'"');
    return entry;
}

}  // namespace

BaseBoardStatus ReadBaseBoardProduct(CSMBios& smbios, std::string* product) {
    smbios.ReadTable();
    if (!smbios.HasTable()) return BaseBoardStatus::kNotFound;
    uint32_t length = smbios.GetStructure(kSmbiosTypeBaseBoard, 0, nullptr);
    if (length == 0) return BaseBoardStatus::kNotFound;
    std::vector<uint8_t> copy(length, 0);
    if (smbios.GetStructure(kSmbiosTypeBaseBoard, static_cast<uint8_t>(length), copy.data()) == 0)
        return BaseBoardStatus::kCantGet;
    // A formatted area too short to hold the product field has no name.
    uint8_t number = length > 5 ? copy[5] : 0;
    uint8_t index = static_cast<uint8_t>(number - 1);
    uint32_t needed = smbios.GetStructureString(kSmbiosTypeBaseBoard, index, 0, nullptr);
    if (needed == 0) return BaseBoardStatus::kLengthZero;
    std::vector<char> text(needed + 1, 0);
    if (smbios.GetStructureString(kSmbiosTypeBaseBoard, index, needed + 1, text.data()) == 0)
        return BaseBoardStatus::kStringCantGet;
    if (product) product->assign(text.data());
    return BaseBoardStatus::kOk;
}

uint32_t CompareBaseBoardText(const std::wstring& list, const std::wstring& name) {
    if (list.empty()) return 0xFFFFFFFFu;
    std::vector<std::wstring> entries;
    std::wstring current;
    for (size_t i = 0; i < list.size(); ++i) {
        wchar_t c = list[i];
        bool last = i + 1 == list.size();
        if (c == L',') {
            entries.push_back(current);
            current.clear();
            continue;
        }
        current.push_back(c);
        if (last) entries.push_back(current);
    }
    for (size_t pos = 0; pos < entries.size(); ++pos) {
        std::wstring entry = Trim(entries[pos]);
        if (entry.size() > name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < entry.size() && same; ++k) same = FoldLowerAscii(entry[k]) == FoldLowerAscii(name[k]);
        if (same) return static_cast<uint32_t>(pos);
    }
    return 0xFFFFFFFFu;
}

uint32_t CheckBaseBoardWith(IFirmwareTableSource& tables, const AnsiToWideFn& toWide, std::wstring& cache,
                            const std::wstring& data, fwu::ILog& log) {
    if (!cache.empty()) {
        fwu::LogLine(log, L"  BaseBoardInfo(2): %ls.", cache.c_str());
        return CompareBaseBoardText(data, cache);
    }
    CSMBios smbios(&tables);
    std::string product;
    switch (ReadBaseBoardProduct(smbios, &product)) {
        case BaseBoardStatus::kOk: break;
        case BaseBoardStatus::kNotFound: log.Line(L"  Error - Type 2 is not found."); return 0xFFFFFFFFu;
        case BaseBoardStatus::kCantGet: log.Line(L"  Error - Type 2 can't get."); return 0xFFFFFFFFu;
        case BaseBoardStatus::kLengthZero:
            log.Line(L"  Error - Base board string length is zero.");
            return 0xFFFFFFFFu;
        case BaseBoardStatus::kStringCantGet:
            log.Line(L"  Error - Base board string can't get.");
            return 0xFFFFFFFFu;
    }
    cache = toWide ? toWide(product) : std::wstring(product.begin(), product.end());
    fwu::LogLine(log, L"  BaseBoardInfo: %ls.", cache.c_str());
    return CompareBaseBoardText(data, cache);
}

const std::wstring* DiskValueCache::Find(const std::wstring& property) const {
    auto it = m_values.find(property);
    if (it == m_values.end() || it->second.empty()) return nullptr;
    return &it->second;
}

void DiskValueCache::Store(const std::wstring& property, const std::wstring& value) { m_values[property] = value; }

uint32_t CompareDiskValue(const std::wstring& data, const std::wstring& value) {
    if (value.size() < data.size()) return 0xFFFFFFFFu;
    for (size_t i = 0; i < data.size(); ++i) {
        wchar_t a = FoldLowerAscii(data[i]);
        wchar_t b = FoldLowerAscii(value[i]);
        if (a != b) return b > a ? 1u : 0xFFFFFFFFu;
    }
    return 0;
}

uint32_t CheckDiskDriveWith(IDiskDriveSource& source, DiskValueCache& cache, const std::wstring& property,
                            const std::wstring& data, fwu::ILog& log) {
    if (const std::wstring* cached = cache.Find(property)) return CompareDiskValue(data, *cached);
    std::wstring value;
    switch (source.FirstIdeDriveValue(property, &value)) {
        case DiskQueryStatus::kOk: break;
        case DiskQueryStatus::kSecurityFailed: log.Line(L"  Error - CoInitializeSecurity failed."); return 0xFFFFFFFFu;
        case DiskQueryStatus::kLocatorFailed: log.Line(L"  Error - CoCreateInstance failed."); return 0xFFFFFFFFu;
        case DiskQueryStatus::kConnectFailed: log.Line(L"  Error - ConnectServer failed."); return 0xFFFFFFFFu;
        case DiskQueryStatus::kBlanketFailed: log.Line(L"  Error - CoSetProxyBlanket failed."); return 0xFFFFFFFFu;
        case DiskQueryStatus::kQueryFailed: log.Line(L"  Error - ExecQuery failed."); return 0xFFFFFFFFu;
    }
    fwu::LogLine(log, L"  HDD Model: %ls.", value.c_str());
    cache.Store(property, value);
    return CompareDiskValue(data, value);
}

uint32_t DiskModelResult(uint32_t compared) { return compared == 0 ? 0u : 1u; }

uint32_t DiskFirmwareResult(uint32_t compared) {
    if (compared == 0) return 0;
    if (compared == 1) return 1;
    return 0xFFFFFFFFu;
}

}  // namespace upd
