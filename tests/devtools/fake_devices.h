// Test doubles for the device walk: an in-memory device list (and the log
// that keeps its lines, recording_log.h).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "../common/recording_log.h"
#include "devwalk.h"
#include "text.h"

namespace fwu::test {

inline RawProperty Utf16Property(uint32_t type, const std::wstring& units) {
    RawProperty p;
    p.ok = true;
    p.type = type;
    for (wchar_t c : units) {
        p.bytes.push_back(uint8_t(unsigned(c) & 0xFF));
        p.bytes.push_back(uint8_t((unsigned(c) >> 8) & 0xFF));
    }
    return p;
}
inline RawProperty StringProp(const std::wstring& s) { return Utf16Property(kDevPropString, s + L'\0'); }
inline RawProperty ListProp(const std::vector<std::wstring>& entries) {
    std::wstring joined;
    for (const auto& e : entries) joined += e + L'\0';
    return Utf16Property(kDevPropStringList, joined + L'\0');
}
inline RawProperty U32Prop(uint32_t v) {
    return RawProperty{true, kDevPropUint32, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
}

struct KeyLess {
    bool operator()(const DevPropKey& a, const DevPropKey& b) const {
        return std::tie(a.fmtid.data1, a.fmtid.data2, a.fmtid.data3, a.pid) <
               std::tie(b.fmtid.data1, b.fmtid.data2, b.fmtid.data3, b.pid);
    }
};

struct FakeDevice {
    std::map<DevPropKey, RawProperty, KeyLess> properties;
    FakeDevice& Set(const DevPropKey& key, RawProperty value) {
        properties[key] = std::move(value);
        return *this;
    }
};

inline FakeDevice WithIds(const std::vector<std::wstring>& ids) {
    FakeDevice d;
    d.Set(kDevPKeyHardwareIds, ListProp(ids));
    return d;
}

// Counts the open sets so tests can see that each one was released.
struct SetCounters {
    int opened = 0;
    int open = 0;
};

class FakeDeviceList final : public IDeviceList {
public:
    FakeDeviceList(const std::vector<FakeDevice>* devices, SetCounters* counters)
        : m_devices(devices), m_counters(counters) {
        ++m_counters->opened;
        ++m_counters->open;
    }
    ~FakeDeviceList() override { --m_counters->open; }
    bool SelectDevice(uint32_t index) override {
        if (index >= m_devices->size()) return false;
        m_selected = index;
        return true;
    }
    RawProperty GetProperty(const DevPropKey& key) override {
        const auto& props = (*m_devices)[m_selected].properties;
        auto it = props.find(key);
        return it == props.end() ? RawProperty{} : it->second;
    }

private:
    const std::vector<FakeDevice>* m_devices;
    SetCounters* m_counters;
    size_t m_selected = 0;
};

class FakeDeviceSystem final : public IDeviceSystem {
public:
    std::vector<FakeDevice> devices;
    std::vector<FakeDevice> interfaceDevices;  // what OpenInterfaceClass lists
    bool failOpen = false;
    uint32_t openError = 5;
    SetCounters counters;
    std::vector<Guid> interfaceClassesAsked;

    std::unique_ptr<IDeviceList> OpenPresentDevices(uint32_t* error) override {
        if (failOpen) {
            *error = openError;
            return nullptr;
        }
        return std::make_unique<FakeDeviceList>(&devices, &counters);
    }
    std::unique_ptr<IDeviceList> OpenInterfaceClass(const Guid& cls, uint32_t* error) override {
        interfaceClassesAsked.push_back(cls);
        if (failOpen) {
            *error = openError;
            return nullptr;
        }
        return std::make_unique<FakeDeviceList>(&interfaceDevices, &counters);
    }
};

}  // namespace fwu::test
