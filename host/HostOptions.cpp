// SPDX-License-Identifier: Apache-2.0
#include "HostOptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
    static const char* const kOnce[] = {
        "--list",         "--upload",
        "--download",     "--ensure-dir",
        "--broadcast",    "--screenshot",
        "--panel-upload", "--panel-download",
        "--panel-delete", "--wait-participants",
        "--cancel-after", "--probe-ui-latency",
    };
    for (const char* once : kOnce) {
        if (opt == once)
            return false;
    }
    return true;
}

bool Given(const std::vector<std::string>& given, const char* option) {
    return std::find(given.begin(), given.end(), option) != given.end();
}

bool NeedsMeeting(const std::vector<HostAction>& actions) {
    for (const HostAction& action : actions) {
        if (action.kind == HostActionKind::WaitParticipants)
            return true;
    }
    return false;
}

} // namespace

namespace {

const char* const kUsage =
    R"(usage: docshelf-host --server HOST:PORT --dir SERVERDIR --user NAME --local-dir DIR
                     [SETTINGS] [ACTIONS]
       docshelf-host --version [--library PATH]

Brings the DocShelf panel up in a window, connected to the WebDAV folder SERVERDIR on
HOST:PORT as NAME, and runs the actions in the order given. The password is read from the
environment variable DOCSHELF_PASSWORD, the meeting server's from DOCSHELF_MEETING_PASSWORD
(never from the command line).

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
                       reported and retried. The address carries no password: one set in
                       DOCSHELF_MEETING_PASSWORD is sent to the server (AUTH) on connecting
  --meeting redis-sentinel://HOST:PORT[,HOST:PORT...]/SERVICE/ROOM
                       the same through Redis Sentinels (port 26379 unless given): each
                       connection asks them in turn for the primary of SERVICE, so the
                       host follows the primary when they switch; the Sentinels want the
                       same password. On joining again after a loss the panel lists its
                       folder, to catch up with what was announced meanwhile
  --https              reach the server over HTTPS, its certificate checked against the
                       system's CA store
  --ca-file FILE       with --https: trust only the CA certificate in FILE (PEM) instead of
                       the system's store
  --pin-sha256 HEX     with --https: accept only the certificate whose SHA-256 fingerprint is
                       HEX (64 hex digits, colons allowed), for a self-signed server
  --allow-basic-over-http
                       send the password to a server that asks for Basic authentication
                       over plain HTTP (refused by default; Digest works either way)
  --auto-download-limit RATE
                       hold the automatic downloads together to RATE bytes per second (K, M
                       and G for 1024, 1024^2, 1024^3; at least 16K); downloads asked for are
                       not held. Needs a component that can (IDocShelfAutoDownload)
  --headless           no window on a display (Qt's offscreen platform); ends after the
                       actions unless --keep-open
  --keep-open          headless: stay in the meeting after the actions until SIGINT/SIGTERM
  --geometry WxH+X+Y   size and place of the window
  --timeout SECONDS    bound of every wait of an action (default 60)
  --together           consecutive transfers (--upload, --download, --panel-upload,
                       --panel-download) start at once, once the panel is idle, and the
                       run waits for all of them
  --cancel-after SECONDS
                       cancel each --upload and --download (with --together, each of them)
                       that has not ended SECONDS after it started (fractions allowed, e.g.
                       0.5); the action then fails. Needs a component that can cancel
                       transfers (IDocShelfTransfers); --panel-upload and --panel-download
                       are never cancelled
  --probe-ui-latency FILE
                       time a no-op posted to the user-interface thread every 5 ms and
                       write "samples=N p50_ms=X p99_ms=X max_ms=X" to FILE at the end
  --library PATH       the component (default DOCSHELF_LIBRARY, else libdocshelf.so
                       beside the host, in )" DOCSHELF_COMPONENT_RELDIR R"( as
                       installed, or on the library path)
  --log FILE           the component's log and the host's diagnostics (default standard
                       error, where only errors and the host's diagnostics are shown)
  --verbose            the component's informational lines on standard error too
  --version            print the host's version and the component's (its version and
                       interface revision, IDocShelfInfo) and end: status 0 when the
                       component offers at least the interfaces this host was built with

Actions (each waits for its completion, bounded by --timeout; the first failure ends the run):
  --list SERVERPATH               list a server folder
  --upload LOCAL=SERVERPATH       upload through the host interface
  --download SERVERPATH=LOCAL     download through the host interface
  --ensure-dir SERVERPATH         create a server folder and its parents; fails unless the
                                  folder can be listed afterwards
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
--print-panel adds Caption<TAB>text, DirRow<TAB>name<TAB>uploader<TAB>size per row,
TransferCaption<TAB>text while automatic downloads wait their turn, and
TransferRow<TAB>file<TAB>status<TAB>size<TAB>progress per transfer. "Idle" means no listing
queued or running and no transfer active.

Exit status: 0 every action completed, 1 an action failed, timed out or was cancelled (or the
component could not be loaded, cannot use the security settings or cannot cancel transfers),
2 bad usage, 3 the server was unreachable or refused at start (the reason on standard error).
)";

} // namespace

const char* CHostOptions::Usage() {
    return kUsage;
}

namespace {

using Options = CHostOptions;

// The component takes absolute local paths only; a person gives them relative to where the
// host was started.
std::string Absolute(const std::string& path) {
    if (path.empty() || path.front() == '/') {
        return path;
    }
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    return ec ? path : whole.lexically_normal().string();
}

void Add(Options& o, HostActionKind kind, std::string server = {}, std::string local = {},
         std::string text = {}) {
    o.actions.push_back({kind, std::move(server), Absolute(local), std::move(text)});
}

// A whole number within [least, most] into value, else the error "bad NAME: VALUE".
template <class T>
bool Number(const char* name, const std::string& text, uint64_t least, uint64_t most, T& value,
            std::string& error) {
    uint64_t number = 0;
    if (!ParseUnsigned(text, most, number) || number < least) {
        error = std::string("bad ") + name + ": " + text;
        return false;
    }
    value = static_cast<T>(number);
    return true;
}

// "LOCAL=SERVERPATH" or "SERVERPATH=LOCAL" into an action.
bool Pair(Options& o, HostActionKind kind, bool bLocalFirst, const char* usage,
          const std::string& text, std::string& error) {
    std::string left, right;
    if (!SplitPair(text, left, right)) {
        error = std::string(usage) + text;
        return false;
    }
    Add(o, kind, bLocalFirst ? right : left, bLocalFirst ? left : right);
    return true;
}

// Bytes per second: a whole number, with K, M or G for 1024, 1024^2 or 1024^3 of them.
bool Rate(const std::string& text, uint64_t& value, std::string& error) {
    static const std::pair<char, int> kUnits[] = {{'K', 10}, {'M', 20}, {'G', 30}};
    std::string digits = text;
    int shift = 0;
    for (const auto& [unit, bits] : kUnits) {
        if (!digits.empty() && std::toupper(static_cast<unsigned char>(digits.back())) == unit) {
            digits.pop_back();
            shift = bits;
        }
    }
    uint64_t number = 0;
    if (!ParseUnsigned(digits, std::numeric_limits<uint64_t>::max() >> shift, number) ||
        number == 0) {
        error = "bad --auto-download-limit (bytes per second, K, M or G allowed): " + text;
        return false;
    }
    value = number << shift;
    return true;
}

// A positive number of seconds, fractions allowed, at most a day.
bool Seconds(const char* name, const std::string& text, double& value, std::string& error) {
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    const bool bPlain =
        !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.');
    if (!bPlain || *end != '\0' || !(parsed > 0 && parsed <= 86400)) {
        error = std::string("bad ") + name + " (a positive number of seconds): " + text;
        return false;
    }
    value = parsed;
    return true;
}

bool Geometry(Options& o, const std::string& text, std::string& error) {
    auto& w = o.window;
    char end = 0;
    if (std::sscanf(text.c_str(), "%dx%d+%d+%d%c", &w.width, &w.height, &w.x, &w.y, &end) != 4 ||
        w.width <= 0 || w.height <= 0) {
        error = "bad --geometry (WxH+X+Y): " + text;
        return false;
    }
    return true;
}

// An option without a value, and whether a restart of the host repeats it.
struct Flag {
    const char* name;
    bool bSetting;
    void (*apply)(Options&);
};

const Flag kFlags[] = {
    {"--auto-download", true, [](Options& o) { o.autoDownload = true; }},
    {"--headless", true, [](Options& o) { o.headless = true; }},
    {"--keep-open", true, [](Options& o) { o.keepOpen = true; }},
    {"--verbose", true, [](Options& o) { o.verbose = true; }},
    {"--https", true, [](Options& o) { o.https = true; }},
    {"--allow-basic-over-http", true, [](Options& o) { o.allowBasicOverHttp = true; }},
    {"--wait-chat-filter", false, [](Options& o) { Add(o, HostActionKind::WaitChatFilter); }},
    {"--together", false, [](Options& o) { o.together = true; }},
    {"--clear-server", false, [](Options& o) { Add(o, HostActionKind::ClearServer); }},
    {"--print-panel", false, [](Options& o) { Add(o, HostActionKind::PrintPanel); }},
    {"--clear-local", false, [](Options& o) { Add(o, HostActionKind::ClearLocal); }},
};

// An option with a value; false, with the error set, for a value it cannot take.
struct Valued {
    const char* name;
    bool (*apply)(Options&, const std::string& value, std::string& error);
};

const Valued kValued[] = {
    {"--server",
     [](Options& o, const std::string& v, std::string&) { return o.serverAddress = v, true; }},
    {"--dir", [](Options& o, const std::string& v, std::string&) { return o.serverDir = v, true; }},
    {"--user", [](Options& o, const std::string& v, std::string&) { return o.user = v, true; }},
    {"--local-dir",
     [](Options& o, const std::string& v, std::string&) { return o.localDir = Absolute(v), true; }},
    {"--author", [](Options& o, const std::string& v, std::string&) { return o.author = v, true; }},
    {"--library",
     [](Options& o, const std::string& v, std::string&) { return o.library = v, true; }},
    {"--log", [](Options& o, const std::string& v, std::string&) { return o.logFile = v, true; }},
    {"--ca-file",
     [](Options& o, const std::string& v, std::string&) { return o.caFile = v, true; }},
    {"--pin-sha256",
     [](Options& o, const std::string& v, std::string&) { return o.pinSha256 = v, true; }},
    {"--probe-ui-latency",
     [](Options& o, const std::string& v, std::string&) { return o.uiLatencyFile = v, true; }},
    {"--rights",
     [](Options& o, const std::string& v, std::string& e) {
         return Number("--rights", v, 0, std::numeric_limits<uint32_t>::max(), o.rights, e);
     }},
    {"--role",
     [](Options& o, const std::string& v, std::string& e) {
         return Number("--role", v, 0, std::numeric_limits<uint16_t>::max(), o.role, e);
     }},
    {"--max-upload",
     [](Options& o, const std::string& v, std::string& e) {
         return Number("--max-upload", v, 0, std::numeric_limits<uint64_t>::max(), o.maxUpload, e);
     }},
    {"--total-space",
     [](Options& o, const std::string& v, std::string& e) {
         return Number("--total-space", v, 0, std::numeric_limits<uint64_t>::max(), o.totalSpace,
                       e);
     }},
    {"--auto-download-limit", [](Options& o, const std::string& v,
                                 std::string& e) { return Rate(v, o.autoDownloadLimit, e); }},
    {"--timeout",
     [](Options& o, const std::string& v, std::string& e) {
         return Number("--timeout", v, 1, 86400, o.timeoutSeconds, e);
     }},
    {"--cancel-after",
     [](Options& o, const std::string& v, std::string& e) {
         return Seconds("--cancel-after", v, o.cancelAfterSeconds, e);
     }},
    {"--lang",
     [](Options& o, const std::string& v, std::string& e) {
         if (v != "en" && v != "zh") {
             e = "bad --lang (en or zh): " + v;
             return false;
         }
         return o.lang = v, true;
     }},
    {"--meeting",
     [](Options& o, const std::string& v, std::string& e) {
         return MeetingAddress::Parse(v, o.meeting, e) && (o.meetingUrl = v, true);
     }},
    {"--geometry",
     [](Options& o, const std::string& v, std::string& e) { return Geometry(o, v, e); }},
    {"--wait-participants",
     [](Options& o, const std::string& v, std::string& e) {
         int count = 0;
         return Number("--wait-participants", v, 1, 1000, count, e) &&
                (Add(o, HostActionKind::WaitParticipants, {}, {}, v), true);
     }},
    {"--list", [](Options& o, const std::string& v,
                  std::string&) { return Add(o, HostActionKind::List, v), true; }},
    {"--upload",
     [](Options& o, const std::string& v, std::string& e) {
         return Pair(o, HostActionKind::Upload, true, "bad --upload (LOCAL=SERVERPATH): ", v, e);
     }},
    {"--download",
     [](Options& o, const std::string& v, std::string& e) {
         return Pair(o, HostActionKind::Download, false, "bad --download (SERVERPATH=LOCAL): ", v,
                     e);
     }},
    {"--ensure-dir", [](Options& o, const std::string& v,
                        std::string&) { return Add(o, HostActionKind::EnsureDir, v), true; }},
    {"--broadcast",
     [](Options& o, const std::string& v, std::string&) {
         return Add(o, HostActionKind::Broadcast, {}, {}, v), true;
     }},
    {"--screenshot",
     [](Options& o, const std::string& v, std::string&) {
         return Add(o, HostActionKind::Screenshot, {}, {}, v), true;
     }},
    {"--panel-upload",
     [](Options& o, const std::string& v, std::string&) {
         return Add(o, HostActionKind::PanelUpload, {}, v), true;
     }},
    {"--panel-download",
     [](Options& o, const std::string& v, std::string&) {
         // NAME or NAME=LOCAL
         std::string name, local;
         if (!SplitPair(v, name, local))
             name = v;
         return Add(o, HostActionKind::PanelDownload, name, local), true;
     }},
    {"--panel-delete", [](Options& o, const std::string& v,
                          std::string&) { return Add(o, HostActionKind::PanelDelete, v), true; }},
};

template <class Table, size_t N>
const Table* Find(const Table (&table)[N], const std::string& name) {
    for (const Table& entry : table) {
        if (name == entry.name)
            return &entry;
    }
    return nullptr;
}

} // namespace

bool CHostOptions::Parse(int argc, char** argv, std::string& error) {
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        if (const Flag* flag = Find(kFlags, opt)) {
            flag->apply(*this);
            if (flag->bSetting)
                settingArguments.push_back(opt);
            continue;
        }
        if (opt == "--help" || opt == "-h") {
            help = true;
            return false;
        }
        if (opt == "--version") {
            version = true;
            continue;
        }
        if (opt.rfind("--", 0) != 0) {
            error = "unexpected argument: " + opt;
            return false;
        }
        if (i + 1 >= argc) {
            error = "missing value for " + opt;
            return false;
        }
        const std::string val = argv[++i];
        const Valued* valued = Find(kValued, opt);
        if (valued == nullptr) {
            error = "unknown option: " + opt;
            return false;
        }
        if (!valued->apply(*this, val, error))
            return false;
        given.push_back(opt);
        if (RepeatedOnRestart(opt)) {
            settingArguments.push_back(opt);
            settingArguments.push_back(val);
        }
    }
    return Complete(given, error);
}

bool CHostOptions::Complete(const std::vector<std::string>& given, std::string& error) {
    if (version)
        return TakeLibraryFromEnvironment(), true;
    if (meetingUrl.empty() && NeedsMeeting(actions)) {
        error = "--wait-participants needs --meeting";
        return false;
    }
    if (!https && (Given(given, "--ca-file") || Given(given, "--pin-sha256"))) {
        error = "--ca-file and --pin-sha256 need --https";
        return false;
    }
    for (const char* required : {"--server", "--dir", "--user", "--local-dir"}) {
        if (!Given(given, required) ||
            (std::string(required) == "--server" && serverAddress.empty())) {
            error = "--server, --dir, --user and --local-dir are required";
            return false;
        }
    }
    uint64_t number = 0;
    const size_t colon = serverAddress.rfind(':');
    if (colon == std::string::npos || colon == 0 ||
        !ParseUnsigned(serverAddress.substr(colon + 1), 65535, number) || number == 0) {
        error = "bad --server (HOST:PORT): " + serverAddress;
        return false;
    }
    host = serverAddress.substr(0, colon);
    port = static_cast<int32_t>(number);
    if (author.empty())
        author = user;
    if (const char* pw = std::getenv("DOCSHELF_PASSWORD"))
        password = pw;
    if (const char* pw = std::getenv("DOCSHELF_MEETING_PASSWORD"))
        meetingPassword = pw;
    TakeLibraryFromEnvironment();
    return true;
}

void CHostOptions::TakeLibraryFromEnvironment() {
    if (library.empty()) {
        if (const char* lib = std::getenv("DOCSHELF_LIBRARY"))
            library = lib;
    }
}
