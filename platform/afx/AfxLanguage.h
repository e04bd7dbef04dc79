// SPDX-License-Identifier: Apache-2.0
// The user-interface language: from the process locale's environment, or an override.
#pragma once

#include "AfxTypes.h"

// LC_ALL, then LC_MESSAGES, then LANG (the first one set and not empty): a Simplified
// Chinese locale (zh_CN) gives 2052, anything else 1033. An override, when set, wins.
LANGID GetThreadUILanguage();

// Process-wide, so that worker threads load the same texts as the panel. 0 clears.
void SetThreadUILanguageOverride(LANGID lang);

namespace afx {

// The language of one locale name such as "zh_CN.UTF-8"; null or empty gives 1033.
LANGID LanguageFromLocaleName(const char* name);

} // namespace afx
