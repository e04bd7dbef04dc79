#include "AfxLanguage.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace {

std::atomic<LANGID> g_override{0};

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

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
    if (EqualsIgnoreCase(locale.substr(0, sep), "zh") &&
        EqualsIgnoreCase(locale.substr(sep + 1), "CN")) {
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
