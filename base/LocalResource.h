// SPDX-License-Identifier: Apache-2.0
// Strings and menus of the component's own resources in the user-interface language.
#pragma once

#include <string>
#include <vector>

#include "AfxResource.h"
#include "AfxTypes.h"

// The text in the system code page; empty when no table has the id.
std::string LoadLocalString(UINT id);

// The text of every language that has the id, in the system code page.
std::vector<std::string> LoadStringInEveryLanguage(UINT id);

// The template (texts in UTF-8, as stored), or null when no table has the id.
const afx::MenuTemplate* LoadLocalMenu(UINT id);
