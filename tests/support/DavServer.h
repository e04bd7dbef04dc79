// SPDX-License-Identifier: Apache-2.0
// A private Apache WebDAV server for one test: started through scripts/dav-server on a free
// loopback port, with helpers that look at the server's own data folder and properties.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Makes the test CA and certificates (scripts/make-test-certs) in a new folder; its path, or
// empty on failure.
std::string MakeTestCertificates();

class CDavServer {
public:
    struct User {
        std::string name;
        std::string password;
    };

    // auth is "digest" or "basic"; without users the script's default alice/secret is used.
    explicit CDavServer(std::string auth = "digest", std::vector<User> users = {});
    ~CDavServer();
    CDavServer(const CDavServer&) = delete;
    CDavServer& operator=(const CDavServer&) = delete;

    // Serve HTTPS with this certificate and key (PEM files); before Start.
    void SetTls(std::string cert, std::string key) {
        m_tlsCert = std::move(cert);
        m_tlsKey = std::move(key);
    }
    bool Start();
    void Stop();
    bool IsRunning() const { return m_nPort != 0; }
    int Port() const { return m_nPort; }
    const std::string& InstanceDir() const { return m_instance; }
    std::string DataDir() const { return m_instance + "/data"; }
    // The URL path of the DAV root, "/dav/room/".
    static const char* Root() { return "/dav/room/"; }

    // Files in the data folder; rel is relative to the DAV root. Parents are created, and
    // everything made here belongs to the server's user so the server can change it.
    bool WriteFile(const std::string& rel, const std::string& content);
    bool MakeDir(const std::string& rel);
    bool MakeSparseFile(const std::string& rel, uint64_t size);
    std::optional<std::string> ReadFile(const std::string& rel) const;
    bool Exists(const std::string& rel) const;
    bool Remove(const std::string& rel) const;
    bool IsDir(const std::string& rel) const;
    // Names in a folder of the data folder, sorted; "." and ".." and mod_dav_fs's own
    // ".DAV" folder left out.
    std::vector<std::string> List(const std::string& rel) const;
    // Every file below the data folder whose name ends with the suffix.
    std::vector<std::string> FindBySuffix(const std::string& suffix) const;

    // A dead property read back over the wire with PROPFIND (Depth 0). Nullopt when the
    // resource or the property is missing.
    std::optional<std::string> ReadProperty(const std::string& rel, const char* nspace,
                                            const char* name) const;
    // The access log's lines.
    std::vector<std::string> AccessLog() const;
    // Lines of the access log whose request line starts with the method and whose status is
    // the given one (0 for any).
    int CountRequests(const std::string& method, int status = 0) const;
    // The connections requests came on so far (client ports), the start-up probe left out.
    int Connections() const;
    // Takes an exclusive write lock on a resource for another owner, with curl; the
    // component then cannot replace it.
    bool Lock(const std::string& rel) const;

private:
    std::string PathOf(const std::string& rel) const;
    void ChownToServer(const std::string& path) const;

    std::string m_auth;
    std::string m_tlsCert;
    std::string m_tlsKey;
    std::vector<User> m_users;
    std::string m_instance;
    int m_nPort = 0;
};
