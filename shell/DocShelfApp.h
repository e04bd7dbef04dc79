// SPDX-License-Identifier: Apache-2.0
// The module's application object and the process-wide module handle.
#pragma once

#include "AfxTypes.h"

// The loaded library's base address, found at start-up; null before.
HINSTANCE GetModuleInstance();
