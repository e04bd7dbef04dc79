// SPDX-License-Identifier: Apache-2.0
// Keyed records. A record holds few keys, so a flat vector searched in order beats a map, and
// values live in strings so that the usual small ones (numbers, pointers, short texts) need no
// allocation of their own: a progress record is created for every 8 KiB a transfer moves.

#include "CoreLib.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

class CDataRecord final : public IDataRecord {
public:
    CDataRecord() { m_entries.reserve(kTypicalKeys); }

    int32_t AddRef() override { return m_nRef.fetch_add(1, std::memory_order_relaxed) + 1; }

    int32_t Release() override {
        int32_t n = m_nRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (n == 0) {
            delete this;
        }
        return n;
    }

    int32_t RemoveData(const char* pszKey) override {
        Entry* e = Find(pszKey);
        if (e == nullptr) {
            return 0;
        }
        m_entries.erase(m_entries.begin() + (e - m_entries.data()));
        return 1;
    }

    void RemoveAll() override { m_entries.clear(); }

    void SetMethod(uint32_t dwMethod) override { m_dwMethod = dwMethod; }
    uint32_t GetMethod() override { return m_dwMethod; }

    int32_t SetData(const char* pszKey, const void* pData, uint32_t dwSize) override {
        if (pszKey == nullptr || (pData == nullptr && dwSize != 0)) {
            return 0;
        }
        Entry* e = Find(pszKey);
        if (e == nullptr) {
            m_entries.push_back(Entry{pszKey, {}});
            e = &m_entries.back();
        }
        e->value.assign(static_cast<const char*>(pData), dwSize);
        return 1;
    }

    void* GetDataPtr(const char* pszKey) override {
        Entry* e = Find(pszKey);
        if (e == nullptr) {
            return nullptr;
        }
        // An empty value still has an address, so a stored empty string reads as "".
        return e->value.empty() ? static_cast<void*>(&m_empty) : e->value.data();
    }

    uint32_t GetDataSize(const char* pszKey) override {
        Entry* e = Find(pszKey);
        return e == nullptr ? 0 : static_cast<uint32_t>(e->value.size());
    }

    int32_t GetData(const char* pszKey, void* pBuffer, uint32_t dwSize) override {
        Entry* e = Find(pszKey);
        if (e == nullptr || pBuffer == nullptr || e->value.size() > dwSize) {
            return 0;
        }
        if (!e->value.empty()) {
            std::memcpy(pBuffer, e->value.data(), e->value.size());
        }
        return 1;
    }

    int32_t HasData(const char* pszKey) override { return Find(pszKey) != nullptr ? 1 : 0; }

private:
    struct Entry {
        std::string key;
        std::string value; // bytes, not text
    };

    static constexpr size_t kTypicalKeys = 8;

    ~CDataRecord() = default;

    Entry* Find(const char* pszKey) {
        if (pszKey == nullptr) {
            return nullptr;
        }
        for (Entry& e : m_entries) {
            if (e.key == pszKey) {
                return &e;
            }
        }
        return nullptr;
    }

    std::atomic<int32_t> m_nRef{1};
    uint32_t m_dwMethod = 0;
    std::vector<Entry> m_entries;
    uint8_t m_empty = 0;
};

class CDataFactory final : public IDataFactory {
public:
    IDataRecord* CreateDataRecord() override { return new CDataRecord; }
};

} // namespace

extern "C" IDataFactory* GetDataFactory(int32_t /*nFlag*/) {
    // Records are thread-neutral, so both flavours share one factory.
    static CDataFactory factory;
    return &factory;
}
