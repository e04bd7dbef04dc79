#include "HostOptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

bool ParseUnsigned(const std::string& text, uint64_t maxValue, uint64_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > maxValue)
        return false;
    value = parsed;
    return true;
}

// Splits "A=B" at the first '='; both sides must be non-empty.
bool SplitPair(const std::string& text, std::string& left, std::string& right) {
    size_t pos = text.find('=');
    if (pos == std::string::npos || pos == 0 || pos + 1 == text.size())
        return false;
    left = text.substr(0, pos);
    right = text.substr(pos + 1);
    return true;
}

// Settings that a restart of the host repeats: not the actions, not the measurements.
bool RepeatedOnRestart(const std::string& opt) {
    static const char* const kOnce[] = {"--list",
                                        "--upload",
                                        "--download",
                                        "--ensure-dir",
                                        "--broadcast",
                                        "--screenshot",
                                        "--panel-upload",
                                        "--panel-download",
                                        "--panel-delete",
                                        "--wait-participants",
                                        "--probe-ui-latency"};
    for (const char* once : kOnce) {
        if (opt == once)
            return false;
    }
    return true;
}

bool NeedsMeeting(const std::vector<HostAction>& actions) {
    for (const HostAction& action : actions) {
        if (action.kind == HostActionKind::WaitParticipants)
            return true;
    }
    return false;
}

} // namespace

const char* CHostOptions::Usage() {
    return R"(usage: docshelf-host --server HOST:PORT --dir SERVERDIR --user NAME --local-dir DIR
                     [SETTINGS] [ACTIONS]

Brings the DocShelf panel up in a window, connected to the WebDAV folder SERVERDIR on
HOST:PORT as NAME, and runs the actions in the order given. The password is read from the
environment variable DOCSHELF_PASSWORD (never from the command line).

The local save directory (--local-dir, created when missing) is where downloads go. The
component keeps a hidden record there, .docshelf-downloads, of the files it downloaded; once
per meeting, after the presenter folder was read, it removes those of them whose server copy
is gone or has another size, unless they were changed since. Files it did not download are
never removed. A chat filter file (mtkey.txt) left from an earlier meeting is removed at start.

Settings:
  --rights N           rights bits, default 15: 1 download, 2 upload and create folders,
                       4 list and refresh, 8 delete
  --role N             role bits, default 0: 4 or 8 (mask 12) may upload the chat filter
                       file mtkey.txt, which every participant then receives
  --max-upload BYTES   largest file the user may upload (default 2^50)
  --total-space BYTES  space of the server folder (default 2^50)
  --author NAME        uploader name written on uploads (default the user name)
  --auto-download      download new files of the presenter folder by themselves
  --lang en|zh         language of the panel (default: the desktop's)
  --meeting redis://HOST:PORT/ROOM
                       join a meeting on a Redis server: what the component broadcasts is
                       published to the room, and every message of the room (this host's
                       own included) is handed back to the component; a lost connection is
                       reported and retried
  --headless           no window on a display (Qt's offscreen platform); ends after the
                       actions unless --keep-open
  --keep-open          headless: stay in the meeting after the actions until SIGINT/SIGTERM
  --geometry WxH+X+Y   size and place of the window
  --timeout SECONDS    bound of every wait of an action (default 60)
  --together           consecutive transfers (--upload, --download, --panel-upload,
                       --panel-download) start at once, once the panel is idle, and the
                       run waits for all of them
  --probe-ui-latency FILE
                       time a no-op posted to the user-interface thread every 5 ms and
                       write "samples=N p50_ms=X p99_ms=X max_ms=X" to FILE at the end
  --library PATH       the component (default libdocshelf.so beside the host, or
                       DOCSHELF_LIBRARY)
  --log FILE           the component's log and the host's diagnostics (default standard
                       error, where only errors and the host's diagnostics are shown)
  --verbose            the component's informational lines on standard error too

Actions (each waits for its completion, bounded by --timeout; the first failure ends the run):
  --list SERVERPATH               list a server folder
  --upload LOCAL=SERVERPATH       upload through the host interface
  --download SERVERPATH=LOCAL     download through the host interface
  --ensure-dir SERVERPATH         create a server folder and its parents
  --broadcast TEXT                hand TEXT to the component as a meeting message
  --clear-server                  remove everything in the server folder
  --clear-local                   empty the local save directory
  --wait-participants N           wait until N participants are in the meeting
  --wait-chat-filter              wait until the component handed over the chat filter file
  --panel-upload LOCAL            the panel's Upload file command, the dialog answered LOCAL
  --panel-download NAME[=LOCAL]   the panel's Download (or Download to LOCAL) on a row
  --panel-delete NAME             the panel's Delete on a row, every question answered Yes
  --screenshot FILE.png           picture of the window once the panel is idle
  --print-panel                   print what the panel shows once it is idle

Standard output holds the container calls, one per line with tab-separated fields; then
--print-panel adds Caption<TAB>text, DirRow<TAB>name<TAB>uploader<TAB>size per row and
TransferRow<TAB>file<TAB>status<TAB>size<TAB>progress per transfer. "Idle" means no listing
queued or running and no transfer active.

Exit status: 0 every action completed, 1 an action failed or timed out (or the component could
not be loaded), 2 bad usage, 3 the server was unreachable at start.
)";
}

bool CHostOptions::Parse(int argc, char** argv, std::string& error) {
    std::string server;
    bool haveDir = false, haveUser = false, haveLocal = false;

    for (int i = 1; i < argc; ++i) {
        std::string opt = argv[i];
        // Options without a value.
        if (opt == "--auto-download") {
            autoDownload = true;
            settingArguments.push_back(opt);
            continue;
        }
        if (bool* flag = opt == "--headless"    ? &headless
                         : opt == "--keep-open" ? &keepOpen
                         : opt == "--verbose"   ? &verbose
                                                : nullptr) {
            *flag = true;
            settingArguments.push_back(opt);
            continue;
        }
        if (opt == "--wait-chat-filter") {
            actions.push_back({HostActionKind::WaitChatFilter, {}, {}, {}});
            continue;
        }
        if (opt == "--together") {
            together = true;
            continue;
        }
        if (opt == "--clear-server") {
            actions.push_back({HostActionKind::ClearServer, {}, {}, {}});
            continue;
        }
        if (opt == "--print-panel") {
            actions.push_back({HostActionKind::PrintPanel, {}, {}, {}});
            continue;
        }
        if (opt == "--clear-local") {
            actions.push_back({HostActionKind::ClearLocal, {}, {}, {}});
            continue;
        }
        if (opt == "--help" || opt == "-h") {
            help = true;
            return false;
        }
        if (opt.rfind("--", 0) != 0) {
            error = "unexpected argument: " + opt;
            return false;
        }
        if (i + 1 >= argc) {
            error = "missing value for " + opt;
            return false;
        }
        std::string val = argv[++i];
        uint64_t number = 0;
        std::string left, right;

        if (opt == "--server") {
            server = val;
        } else if (opt == "--dir") {
            serverDir = val;
            haveDir = true;
        } else if (opt == "--user") {
            user = val;
            haveUser = true;
        } else if (opt == "--local-dir") {
            localDir = val;
            haveLocal = true;
        } else if (opt == "--rights") {
            if (!ParseUnsigned(val, std::numeric_limits<uint32_t>::max(), number)) {
                error = "bad --rights: " + val;
                return false;
            }
            rights = static_cast<uint32_t>(number);
        } else if (opt == "--role") {
            if (!ParseUnsigned(val, std::numeric_limits<uint16_t>::max(), number)) {
                error = "bad --role: " + val;
                return false;
            }
            role = static_cast<uint16_t>(number);
        } else if (opt == "--max-upload") {
            if (!ParseUnsigned(val, std::numeric_limits<uint64_t>::max(), maxUpload)) {
                error = "bad --max-upload: " + val;
                return false;
            }
        } else if (opt == "--total-space") {
            if (!ParseUnsigned(val, std::numeric_limits<uint64_t>::max(), totalSpace)) {
                error = "bad --total-space: " + val;
                return false;
            }
        } else if (opt == "--author") {
            author = val;
        } else if (opt == "--lang") {
            if (val != "en" && val != "zh") {
                error = "bad --lang (en or zh): " + val;
                return false;
            }
            lang = val;
        } else if (opt == "--timeout") {
            if (!ParseUnsigned(val, 86400, number) || number == 0) {
                error = "bad --timeout: " + val;
                return false;
            }
            timeoutSeconds = static_cast<int>(number);
        } else if (opt == "--meeting") {
            if (!MeetingAddress::Parse(val, meeting, error))
                return false;
            meetingUrl = val;
        } else if (opt == "--geometry") {
            char end = 0;
            if (std::sscanf(val.c_str(), "%dx%d+%d+%d%c", &window.width, &window.height, &window.x,
                            &window.y, &end) != 4 ||
                window.width <= 0 || window.height <= 0) {
                error = "bad --geometry (WxH+X+Y): " + val;
                return false;
            }
        } else if (opt == "--wait-participants") {
            if (!ParseUnsigned(val, 1000, number) || number == 0) {
                error = "bad --wait-participants: " + val;
                return false;
            }
            actions.push_back({HostActionKind::WaitParticipants, {}, {}, val});
        } else if (opt == "--library") {
            library = val;
        } else if (opt == "--log") {
            logFile = val;
        } else if (opt == "--list") {
            actions.push_back({HostActionKind::List, val, {}, {}});
        } else if (opt == "--upload") {
            if (!SplitPair(val, left, right)) {
                error = "bad --upload (LOCAL=SERVERPATH): " + val;
                return false;
            }
            actions.push_back({HostActionKind::Upload, right, left, {}});
        } else if (opt == "--download") {
            if (!SplitPair(val, left, right)) {
                error = "bad --download (SERVERPATH=LOCAL): " + val;
                return false;
            }
            actions.push_back({HostActionKind::Download, left, right, {}});
        } else if (opt == "--ensure-dir") {
            actions.push_back({HostActionKind::EnsureDir, val, {}, {}});
        } else if (opt == "--broadcast") {
            actions.push_back({HostActionKind::Broadcast, {}, {}, val});
        } else if (opt == "--screenshot") {
            actions.push_back({HostActionKind::Screenshot, {}, {}, val});
        } else if (opt == "--panel-upload") {
            actions.push_back({HostActionKind::PanelUpload, {}, val, {}});
        } else if (opt == "--panel-download") {
            // NAME or NAME=LOCAL
            if (SplitPair(val, left, right))
                actions.push_back({HostActionKind::PanelDownload, left, right, {}});
            else
                actions.push_back({HostActionKind::PanelDownload, val, {}, {}});
        } else if (opt == "--probe-ui-latency") {
            uiLatencyFile = val;
        } else if (opt == "--panel-delete") {
            actions.push_back({HostActionKind::PanelDelete, val, {}, {}});
        } else {
            error = "unknown option: " + opt;
            return false;
        }
        if (RepeatedOnRestart(opt)) {
            settingArguments.push_back(opt);
            settingArguments.push_back(val);
        }
    }
    if (meetingUrl.empty() && NeedsMeeting(actions)) {
        error = "--wait-participants needs --meeting";
        return false;
    }

    if (server.empty() || !haveDir || !haveUser || !haveLocal) {
        error = "--server, --dir, --user and --local-dir are required";
        return false;
    }
    uint64_t number = 0;
    size_t colon = server.rfind(':');
    if (colon == std::string::npos || colon == 0 ||
        !ParseUnsigned(server.substr(colon + 1), 65535, number) || number == 0) {
        error = "bad --server (HOST:PORT): " + server;
        return false;
    }
    host = server.substr(0, colon);
    port = static_cast<int32_t>(number);
    if (author.empty())
        author = user;

    if (const char* pw = std::getenv("DOCSHELF_PASSWORD"))
        password = pw;
    if (library.empty()) {
        if (const char* lib = std::getenv("DOCSHELF_LIBRARY"))
            library = lib;
    }
    return true;
}
