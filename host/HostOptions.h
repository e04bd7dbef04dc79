// The host's command line: connection settings, component settings and the ordered actions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class HostActionKind {
    List,
    Upload,
    Download,
    EnsureDir,
    Broadcast,
    ClearServer,
    ClearLocal,
    Screenshot,
    PrintPanel,
    PanelUpload,
    PanelDownload,
    PanelDelete,
};

struct HostAction {
    HostActionKind kind;
    std::string serverPath; // list, upload, download, ensure-dir
    std::string localPath;  // upload, download
    std::string text;       // broadcast text or screenshot file
};

struct CHostOptions {
    std::string host;
    int32_t port = 0;
    std::string serverDir;
    std::string user;
    std::string password;
    std::string localDir;
    uint32_t rights = 15;
    uint16_t role = 0;
    // Large enough that no limit gets in the way unless the caller asks for one.
    uint64_t maxUpload = 1ULL << 50;
    uint64_t totalSpace = 1ULL << 50;
    std::string author; // defaults to the user name
    bool autoDownload = false;
    std::string lang; // "", "en" or "zh"
    bool headless = false;
    int timeoutSeconds = 60;
    std::string library;       // empty: next to the executable
    std::string logFile;       // empty: standard error
    bool together = false;     // --together: consecutive transfers run at once
    std::string uiLatencyFile; // --probe-ui-latency: where the probe writes its figures
    std::vector<HostAction> actions;
    bool help = false; // --help: Parse returns false without an error

    // Parses argv; on failure returns false and sets error. The password comes from
    // DOCSHELF_PASSWORD and the library from DOCSHELF_LIBRARY unless --library is given.
    bool Parse(int argc, char** argv, std::string& error);
    static const char* Usage();
};
