// SPDX-License-Identifier: Apache-2.0
// Removal of a local directory tree that never leaves it through a symbolic link.
#pragma once

#include <string>

// Deletes everything below `dir` and then `dir` itself. Links inside the tree are removed as
// entries, never followed. Entries that cannot be deleted stay. True when `dir` was removed.
bool RemoveLocalTree(const std::string& dir);
