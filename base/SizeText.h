// SPDX-License-Identifier: Apache-2.0
// The texts of sizes the panel shows.
#pragma once

#include <cstdint>
#include <string>

// A space in KB up to 1 MiB, in MB up to 1 GiB, else in GB, with two decimals: "244.36 KB".
std::string SpaceSizeText(uint64_t ullBytes);
