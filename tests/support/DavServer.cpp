// SPDX-License-Identifier: Apache-2.0
#include "DavServer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ne_auth.h>
#include <ne_basic.h>
#include <ne_props.h>
#include <ne_session.h>
#include <ne_socket.h>

namespace fs = std::filesystem;

namespace {

std::string ScriptPath(const char* name) {
    fs::path here = fs::path(__FILE__).parent_path();
    return (here / ".." / ".." / "scripts" / name).lexically_normal().string();
}

std::string DavScriptPath() {
    const char* env = std::getenv("DOCSHELF_DAV_SERVER");
    return env != nullptr ? env : ScriptPath("dav-server");
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

// Runs a command, returning its standard output, or nullopt when it fails.
std::optional<std::string> Run(const std::string& cmd) {
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string out;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        out.append(buf, n);
    }
    int status = ::pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return out;
}

struct Creds {
    std::string user;
    std::string password;
};

int OfferCreds(void* userdata, const char*, int attempt, char* username, char* password) {
    auto* c = static_cast<Creds*>(userdata);
    std::snprintf(username, NE_ABUFSIZ, "%s", c->user.c_str());
    std::snprintf(password, NE_ABUFSIZ, "%s", c->password.c_str());
    return attempt;
}

struct PropQuery {
    const ne_propname* name;
    std::optional<std::string> value;
};

void OnProp(void* userdata, const ne_uri*, const ne_prop_result_set* results) {
    auto* q = static_cast<PropQuery*>(userdata);
    if (const char* v = ne_propset_value(results, q->name)) {
        q->value = v;
    }
}

std::string EscapeForUri(const std::string& rel) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : rel) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

} // namespace

std::string MakeTestCertificates() {
    char templ[] = "/tmp/docshelf-certs-XXXXXX";
    if (::mkdtemp(templ) == nullptr ||
        !Run(Quote(ScriptPath("make-test-certs")) + " " + Quote(templ))) {
        return std::string();
    }
    return templ;
}

CDavServer::CDavServer(std::string auth, std::vector<User> users)
    : m_auth(std::move(auth)), m_users(std::move(users)) {}

CDavServer::~CDavServer() {
    Stop();
}

bool CDavServer::Start() {
    if (m_nPort != 0) {
        return true;
    }
    char templ[] = "/tmp/docshelf-dav-XXXXXX";
    if (::mkdtemp(templ) == nullptr) {
        return false;
    }
    m_instance = std::string(templ) + "/server";
    std::string cmd = Quote(DavScriptPath()) + " start " + Quote(m_instance) + " --auth " + m_auth;
    for (const User& u : m_users) {
        cmd += " --user " + Quote(u.name) + " --password " + Quote(u.password);
    }
    if (!m_tlsCert.empty()) {
        cmd += " --tls " + Quote(m_tlsCert) + " " + Quote(m_tlsKey);
    }
    std::optional<std::string> out = Run(cmd);
    if (!out) {
        return false;
    }
    size_t pos = out->find("port=");
    if (pos == std::string::npos) {
        return false;
    }
    m_nPort = std::atoi(out->c_str() + pos + 5);
    return m_nPort > 0;
}

void CDavServer::Stop() {
    if (m_instance.empty()) {
        return;
    }
    Run(Quote(DavScriptPath()) + " stop " + Quote(m_instance));
    m_nPort = 0;
    if (std::getenv("DOCSHELF_KEEP_SERVER") == nullptr) {
        std::error_code ec;
        fs::remove_all(fs::path(m_instance).parent_path(), ec);
    }
    m_instance.clear();
}

std::string CDavServer::PathOf(const std::string& rel) const {
    std::string r = rel;
    while (!r.empty() && r.front() == '/') {
        r.erase(0, 1);
    }
    return DataDir() + "/" + r;
}

void CDavServer::ChownToServer(const std::string& path) const {
    struct stat st;
    if (::stat(DataDir().c_str(), &st) == 0) {
        if (::chown(path.c_str(), st.st_uid, st.st_gid) != 0) {
            // Not root: the server runs as this user anyway.
        }
    }
}

bool CDavServer::MakeDir(const std::string& rel) {
    fs::path target = PathOf(rel);
    fs::path data = DataDir();
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec) {
        return false;
    }
    for (fs::path p = target; p != data && p.string().size() > data.string().size();
         p = p.parent_path()) {
        ChownToServer(p.string());
    }
    return true;
}

bool CDavServer::WriteFile(const std::string& rel, const std::string& content) {
    fs::path target = PathOf(rel);
    if (target.parent_path() != fs::path(DataDir()) &&
        !MakeDir(target.parent_path().string().substr(DataDir().size()))) {
        return false;
    }
    std::ofstream f(target, std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
    f.close();
    if (!f) {
        return false;
    }
    ChownToServer(target.string());
    return true;
}

bool CDavServer::MakeSparseFile(const std::string& rel, uint64_t size) {
    if (!WriteFile(rel, "")) {
        return false;
    }
    return ::truncate(PathOf(rel).c_str(), static_cast<off_t>(size)) == 0;
}

std::optional<std::string> CDavServer::ReadFile(const std::string& rel) const {
    std::ifstream f(PathOf(rel), std::ios::binary);
    if (!f) {
        return std::nullopt;
    }
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool CDavServer::Exists(const std::string& rel) const {
    return fs::exists(PathOf(rel));
}

bool CDavServer::Remove(const std::string& rel) const {
    std::error_code ec;
    return fs::remove(PathOf(rel), ec);
}

bool CDavServer::IsDir(const std::string& rel) const {
    return fs::is_directory(PathOf(rel));
}

std::vector<std::string> CDavServer::List(const std::string& rel) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(PathOf(rel), ec)) {
        std::string n = e.path().filename().string();
        if (n != ".DAV") {
            names.push_back(n);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> CDavServer::FindBySuffix(const std::string& suffix) const {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(DataDir(), ec)) {
        std::string n = e.path().filename().string();
        if (n.size() >= suffix.size() &&
            n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) {
            found.push_back(e.path().string());
        }
    }
    return found;
}

std::optional<std::string> CDavServer::ReadProperty(const std::string& rel, const char* nspace,
                                                    const char* name) const {
    ne_sock_init();
    Creds creds = m_users.empty() ? Creds{"alice", "secret"}
                                  : Creds{m_users.front().name, m_users.front().password};
    ne_session* sess = ne_session_create("http", "127.0.0.1", static_cast<unsigned>(m_nPort));
    ne_set_server_auth(sess, OfferCreds, &creds);
    ne_propname prop = {nspace, name};
    const ne_propname props[] = {prop, {nullptr, nullptr}};
    PropQuery q{&props[0], std::nullopt};
    std::string r = rel;
    while (!r.empty() && r.front() == '/') {
        r.erase(0, 1);
    }
    std::string uri = std::string(Root()) + EscapeForUri(r);
    int rc = ne_simple_propfind(sess, uri.c_str(), NE_DEPTH_ZERO, props, OnProp, &q);
    ne_session_destroy(sess);
    if (rc != NE_OK) {
        return std::nullopt;
    }
    return q.value;
}

std::vector<std::string> CDavServer::AccessLog() const {
    std::vector<std::string> lines;
    std::ifstream f(m_instance + "/logs/access.log");
    for (std::string line; std::getline(f, line);) {
        // The start-up probe of the script is not the component's.
        if (line.find(" /instance ") == std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

int CDavServer::Connections() const {
    std::set<std::string> ports;
    std::ifstream f(m_instance + "/logs/connections.log");
    for (std::string line; std::getline(f, line);) {
        if (line.find(" /instance ") == std::string::npos) {
            ports.insert(line.substr(0, line.find(' ')));
        }
    }
    return static_cast<int>(ports.size());
}

int CDavServer::CountRequests(const std::string& method, int status) const {
    int n = 0;
    for (const std::string& line : AccessLog()) {
        size_t q = line.find('"');
        if (q == std::string::npos || line.compare(q + 1, method.size() + 1, method + " ") != 0) {
            continue;
        }
        if (status != 0) {
            size_t end = line.find('"', q + 1);
            if (end == std::string::npos || std::atoi(line.c_str() + end + 2) != status) {
                continue;
            }
        }
        ++n;
    }
    return n;
}

bool CDavServer::Lock(const std::string& rel) const {
    std::string r = rel;
    while (!r.empty() && r.front() == '/') {
        r.erase(0, 1);
    }
    const User u = m_users.empty() ? User{"alice", "secret"} : m_users.front();
    std::string auth = m_auth == "digest" ? "--digest" : "--basic";
    std::string body = "<?xml version=\"1.0\"?><D:lockinfo xmlns:D=\"DAV:\"><D:lockscope>"
                       "<D:exclusive/></D:lockscope><D:locktype><D:write/></D:locktype>"
                       "<D:owner>someone else</D:owner></D:lockinfo>";
    std::string cmd =
        "curl -s -o /dev/null -w '%{http_code}' " + auth + " -u " +
        Quote(u.name + ":" + u.password) +
        " -X LOCK -H 'Timeout: Second-600' -H 'Content-Type: text/xml' --data " + Quote(body) +
        " " + Quote("http://127.0.0.1:" + std::to_string(m_nPort) + Root() + EscapeForUri(r));
    std::optional<std::string> out = Run(cmd);
    return out && *out == "200";
}
