#include "HostOptions.h"

#include <cerrno>
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

} // namespace

const char* CHostOptions::Usage() {
    return "usage: docshelf-host --server HOST:PORT --dir SERVERDIR --user NAME --local-dir DIR\n"
           "         [--rights N] [--role N] [--max-upload BYTES] [--total-space BYTES]\n"
           "         [--author NAME] [--auto-download] [--lang en|zh] [--headless]\n"
           "         [--timeout SECONDS] [--library PATH] [--log FILE]\n"
           "         [--list SERVERPATH] [--upload LOCAL=SERVERPATH] [--download "
           "SERVERPATH=LOCAL]\n"
           "         [--ensure-dir SERVERPATH] [--broadcast TEXT] [--clear-server]\n"
           "         [--clear-local] [--screenshot FILE.png] [--print-panel]\n"
           "         [--panel-upload LOCAL] [--panel-download NAME[=LOCAL]] [--panel-delete NAME]"
           " ...\n"
           "         [--together] [--probe-ui-latency FILE]\n"
           "The password is read from DOCSHELF_PASSWORD; actions run in the order given.\n"
           "--together starts consecutive transfers (--upload, --download, --panel-upload,\n"
           "--panel-download) at once, once the panel is idle, and waits for all of them.\n"
           "--probe-ui-latency times a no-op posted to the user-interface thread every 5 ms\n"
           "and writes \"samples=N p50_ms=X p99_ms=X max_ms=X\" to FILE at the end.\n"
           "--screenshot and --print-panel wait until the panel is idle (no listing queued or\n"
           "running, no transfer active); --print-panel prints what the panel shows on\n"
           "standard output, after the container-call lines: Caption<TAB>text, then\n"
           "DirRow<TAB>name<TAB>uploader<TAB>size for each row in the list's order, then\n"
           "TransferRow<TAB>file<TAB>status<TAB>size<TAB>progress for each transfer row.\n"
           "--panel-upload, --panel-download and --panel-delete work the panel as a person\n"
           "would, through its commands and dialogs: the file dialog is answered with LOCAL\n"
           "(without LOCAL a download goes to the local save directory) and every question\n"
           "with Yes; each waits until the panel is idle again.\n";
}

bool CHostOptions::Parse(int argc, char** argv, std::string& error) {
    std::string server;
    bool haveDir = false, haveUser = false, haveLocal = false;

    for (int i = 1; i < argc; ++i) {
        std::string opt = argv[i];
        // Options without a value.
        if (opt == "--auto-download") {
            autoDownload = true;
            continue;
        }
        if (opt == "--headless") {
            headless = true;
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
