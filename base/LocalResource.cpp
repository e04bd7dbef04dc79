// SPDX-License-Identifier: Apache-2.0
#include "LocalResource.h"

#include "AfxLanguage.h"
#include "CodePage.h"

// Defined with the embedded data; naming it here links that data into every user.
extern "C" const int DocShelfResourceAnchor;

namespace {

bool UiIsSimplifiedChinese() {
    LANGID lang = GetThreadUILanguage();
    return PRIMARYLANGID(lang) == LANG_CHINESE && SUBLANGID(lang) == SUBLANG_CHINESE_SIMPLIFIED;
}

// Chinese UI: Chinese, else any language (the loader's default choice). Otherwise
// English, then Chinese. The component's table first, then the application's.
template <typename Find>
auto FindLocal(Find find) -> decltype(find(afx::ResourceScope::Component, LANGID{0})) {
    (void)DocShelfResourceAnchor;
    const bool chinese = UiIsSimplifiedChinese();
    for (afx::ResourceScope scope :
         {afx::ResourceScope::Component, afx::ResourceScope::Application}) {
        if (chinese) {
            if (auto found = find(scope, LANGID_ZH_CN)) {
                return found;
            }
            if (auto found = find(scope, LANGID{0})) {
                return found;
            }
        } else {
            if (auto found = find(scope, LANGID_EN_US)) {
                return found;
            }
            if (auto found = find(scope, LANGID_ZH_CN)) {
                return found;
            }
        }
    }
    return nullptr;
}

} // namespace

std::string LoadLocalString(UINT id) {
    const char* text = FindLocal([id](afx::ResourceScope scope, LANGID lang) {
        return afx::FindResourceStringIn(scope, id, lang);
    });
    return text ? afx::Utf8ToAnsi(text) : std::string();
}

std::vector<std::string> LoadStringInEveryLanguage(UINT id) {
    (void)DocShelfResourceAnchor;
    std::vector<std::string> texts;
    for (LANGID lang : {LANGID_EN_US, LANGID_ZH_CN}) {
        if (const char* text = afx::FindResourceStringIn(afx::ResourceScope::Component, id, lang)) {
            texts.push_back(afx::Utf8ToAnsi(text));
        }
    }
    return texts;
}

const afx::MenuTemplate* LoadLocalMenu(UINT id) {
    return FindLocal([id](afx::ResourceScope scope, LANGID lang) {
        return afx::FindResourceMenuIn(scope, id, lang);
    });
}
