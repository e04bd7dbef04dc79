// SPDX-License-Identifier: Apache-2.0
// The system code page: the character set of the process locale. Narrow strings of the
// component are in this code page; the wire and the resources use UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace afx {

constexpr uint32_t CP_UTF8 = 65001;
constexpr uint32_t CP_GBK = 936;

// 65001 for UTF-8 (also for a plain C locale), 936 for GBK/GB2312/GB18030, else 0 with the
// locale's own character set used by name.
uint32_t GetACP();

// Forces a code page for tests (CP_GBK or CP_UTF8); 0 returns to the process locale's.
void SetTestCodePage(uint32_t codePage);

// Conversions between the system code page and UTF-8. Bytes that cannot be converted are
// replaced by '?', so the result is never cut short.
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);

} // namespace afx
