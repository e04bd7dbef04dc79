// SPDX-License-Identifier: Apache-2.0
// Typed access to the keyed values of CoreLib records, in the component's storage convention:
// strings with their terminating zero, integers in 4 bytes, lengths in 8, pointers in
// sizeof(void*).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "CoreLib.h"

namespace rec {

inline void SetU32(IDataRecord* r, const char* key, uint32_t v) {
    r->SetData(key, &v, sizeof v);
}
inline void SetI64(IDataRecord* r, const char* key, int64_t v) {
    r->SetData(key, &v, sizeof v);
}
inline void SetU64(IDataRecord* r, const char* key, uint64_t v) {
    r->SetData(key, &v, sizeof v);
}
inline void SetStr(IDataRecord* r, const char* key, const std::string& s) {
    r->SetData(key, s.c_str(), static_cast<uint32_t>(s.size() + 1));
}
template <class T> void SetPtr(IDataRecord* r, const char* key, T* p) {
    r->SetData(key, &p, sizeof p);
}

inline bool GetU32(IDataRecord* r, const char* key, uint32_t& v) {
    return r->GetData(key, &v, sizeof v) != 0;
}
inline bool GetU64(IDataRecord* r, const char* key, uint64_t& v) {
    return r->GetData(key, &v, sizeof v) != 0;
}
// The stored text up to its first zero, or "" when the key is absent.
inline std::string GetStr(IDataRecord* r, const char* key) {
    const char* p = static_cast<const char*>(r->GetDataPtr(key));
    uint32_t n = r->GetDataSize(key);
    if (p == nullptr || n == 0) {
        return std::string();
    }
    return std::string(p, strnlen(p, n));
}
template <class T> T* GetPtr(IDataRecord* r, const char* key) {
    T* p = nullptr;
    if (!r->GetData(key, &p, sizeof p)) {
        return nullptr;
    }
    return p;
}

} // namespace rec
