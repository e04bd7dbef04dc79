#include "EngineText.h"

std::string EngineString(unsigned nId) {
    switch (nId) {
    case IDS_UNKNOWN_AUTHOR:
        return "Unknown";
    case IDS_UPLOADED_FILE:
        return "%s uploaded file %s";
    default:
        return std::string();
    }
}
