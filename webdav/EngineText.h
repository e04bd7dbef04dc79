// The engine's user-visible texts from the component's string table.
#pragma once

#include <string>

enum : unsigned {
    IDS_UNKNOWN_AUTHOR = 1037,
    IDS_UPLOADED_FILE = 1068,
};

std::string EngineString(unsigned nId);
