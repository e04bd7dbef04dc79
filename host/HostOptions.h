// SPDX-License-Identifier: Apache-2.0
// The host's command line: connection settings, component settings and the ordered actions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeetingAddress.h"

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
    WaitParticipants,
    WaitChatFilter,
};

struct HostAction {
    HostActionKind kind;
    std::string serverPath; // list, upload, download, ensure-dir
    std::string localPath;  // upload, download
    std::string text;       // broadcast text, screenshot file or participant count
};

struct CHostOptions {
    std::string serverAddress; // --server HOST:PORT as given
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
    uint64_t autoDownloadLimit = 0; // --auto-download-limit, bytes per second; 0: none
    std::string lang;               // "", "en" or "zh"
    bool headless = false;
    bool keepOpen = false;  // headless: stay in the meeting after the actions, until a signal
    bool verbose = false;   // the component's informational lines on standard error too
    std::string meetingUrl; // empty: no meeting
    MeetingAddress meeting;
    std::string meetingPassword; // DOCSHELF_MEETING_PASSWORD; empty: none sent
    bool https = false;          // --https
    std::string caFile;          // --ca-file: the one CA trusted instead of the system's
    std::string pinSha256;       // --pin-sha256: the one certificate accepted
    bool allowBasicOverHttp = false;
    struct WindowPlace {
        int width = 0; // 0: the host's choice
        int height = 0;
        int x = 0;
        int y = 0;
    } window; // --geometry WxH+X+Y
    int timeoutSeconds = 60;
    std::string library;       // empty: next to the executable
    std::string logFile;       // empty: standard error
    bool together = false;     // --together: consecutive transfers run at once
    std::string uiLatencyFile; // --probe-ui-latency: where the probe writes its figures
    // --cancel-after: host transfers still running this long are cancelled; 0 never.
    double cancelAfterSeconds = 0;
    std::vector<HostAction> actions;
    bool help = false;    // --help: Parse returns false without an error
    bool version = false; // --version: the host's and the component's versions, nothing else
    // The settings as given, without the actions: what a restart of the host repeats.
    std::vector<std::string> settingArguments;

    // Parses argv; on failure returns false and sets error. The passwords come from
    // DOCSHELF_PASSWORD and DOCSHELF_MEETING_PASSWORD, the library from DOCSHELF_LIBRARY unless
    // --library is given.
    bool Parse(int argc, char** argv, std::string& error);
    static const char* Usage();

private:
    // The checks once every option is read: the required ones, the server's port, defaults.
    bool Complete(const std::vector<std::string>& given, std::string& error);
    void TakeLibraryFromEnvironment();
};
