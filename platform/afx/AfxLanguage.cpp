// SPDX-License-Identifier: Apache-2.0
#include "AfxLanguage.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>
#include <strings.h>

namespace {

std::atomic<LANGID> g_override{0};

} // namespace

namespace afx {

LANGID LanguageFromLocaleName(const char* name) {
    if (name == nullptr) {
        return LANGID_EN_US;
    }
    // language[_territory][.codeset][@modifier]; some systems write a hyphen.
    std::string_view locale(name);
    locale = locale.substr(0, locale.find_first_of(".@"));
    size_t sep = locale.find_first_of("_-");
    if (sep == std::string_view::npos) {
        return LANGID_EN_US;
    }
    const std::string language(locale.substr(0, sep));
    const std::string territory(locale.substr(sep + 1));
    if (strcasecmp(language.c_str(), "zh") == 0 && strcasecmp(territory.c_str(), "CN") == 0) {
        return LANGID_ZH_CN;
    }
    return LANGID_EN_US;
}

} // namespace afx

LANGID GetThreadUILanguage() {
    LANGID forced = g_override.load(std::memory_order_relaxed);
    if (forced != 0) {
        return forced;
    }
    // The order in which POSIX lets these variables override each other.
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && *value != '\0') {
            return afx::LanguageFromLocaleName(value);
        }
    }
    return LANGID_EN_US;
}

void SetThreadUILanguageOverride(LANGID lang) {
    g_override.store(lang, std::memory_order_relaxed);
}
