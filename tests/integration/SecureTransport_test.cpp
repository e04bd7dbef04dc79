// SPDX-License-Identifier: Apache-2.0
// HTTPS against Apache with a CA and certificates of the test's own, and the refusal of Basic
// authentication in clear.
#include <filesystem>
#include <fstream>

#include "ComponentFixture.h"
#include "IDocShelfTransportItf.h"

namespace {

struct Refusal {
    const char* cert;
    bool trustTestCa;
    const char* pinFile; // a fingerprint file of the test's certificates, or null
    int32_t code;
    const char* reason;
    const char* subject;
};

} // namespace

class SecureTransport : public ComponentFixture {
protected:
    static void SetUpTestSuite() { s_certs = MakeTestCertificates(); }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(s_certs, ec);
    }
    void SetUp() override {
        ComponentFixture::SetUp();
        ASSERT_FALSE(s_certs.empty()) << "scripts/make-test-certs failed";
    }

    static std::string Cert(const std::string& name) { return s_certs + "/" + name; }
    static std::string Fingerprint(const char* file) {
        std::ifstream in(Cert(file));
        std::string line;
        std::getline(in, line);
        return line;
    }

    // Apache with this certificate, then the component with these settings.
    void StartOverHttps(const std::string& cert, const std::string& caFile,
                        const std::string& pin) {
        m_server = std::make_unique<CDavServer>(m_auth, std::vector<CDavServer::User>{});
        m_server->SetTls(Cert(cert + ".pem"), Cert(cert + ".key"));
        ASSERT_TRUE(m_server->Start());
        Configure([=](IDocShelfTransportItf* t) {
            ASSERT_EQ(t->SetServerSecurity(1, caFile.c_str(), pin.c_str()), 1);
        });
        StartComponent(m_server->Port());
    }
    void Configure(std::function<void(IDocShelfTransportItf*)> configure) {
        m_beforeInit = [this, configure](IMXCCItfMgr* pMgr) {
            void* pItf = nullptr;
            pMgr->QueryItf("IDocShelfTransport", &pItf);
            m_pTransport = static_cast<IDocShelfTransportItf*>(pItf);
            ASSERT_NE(m_pTransport, nullptr);
            configure(m_pTransport);
        };
    }
    std::string ServerState() const { return CallsNamed("OnServerState").at(0).args.at(0); }
    int32_t LastFailure(std::string& text) {
        char buffer[1024];
        const int32_t code = m_pTransport->GetLastTransportFailure(buffer, sizeof buffer);
        text = buffer;
        return code;
    }
    // Lists the presenter folder as a host would; the names it saw, and whether it ended.
    bool ListPresenter(std::vector<std::string>& names) {
        m_host.Clear();
        names.clear();
        m_pShelf->ListDirectoryContent("Presenter/", 0, 3);
        if (!WaitForCall("OnDirectoryEntry",
                         [](const RecordedCall& c) { return c.args[3] == "(end)"; })) {
            return false;
        }
        for (const RecordedCall& c : CallsNamed("OnDirectoryEntry")) {
            if (c.args[3] != "(end)") {
                names.push_back(c.args[3]);
            }
        }
        return true;
    }

    static std::string s_certs;
    IDocShelfTransportItf* m_pTransport = nullptr;
};

std::string SecureTransport::s_certs;

TEST_F(SecureTransport, ListsUploadsAndDownloadsOverHttpsTrustingTheNamedCa) {
    StartOverHttps("good", Cert("ca.pem"), "");
    ASSERT_EQ(ServerState(), "1");
    ASSERT_TRUE(m_server->MakeDir("Presenter"));
    const std::string content = TestBytes(300000);
    WriteLocal("report.bin", content);
    ASSERT_EQ(Upload("report.bin", "Presenter/report.bin"), 0);
    EXPECT_TRUE(m_server->ReadFile("Presenter/report.bin") == content);
    std::vector<std::string> names;
    ASSERT_TRUE(ListPresenter(names));
    EXPECT_NE(std::find(names.begin(), names.end(), "report.bin"), names.end());
    ASSERT_EQ(Download("Presenter/report.bin", "back.bin"), 0);
    EXPECT_TRUE(ReadLocal("back.bin") == content);
    std::string text;
    EXPECT_EQ(LastFailure(text), DS_TRANSPORT_OK);
}

TEST_F(SecureTransport, EachBadCertificateIsRefusedWithItsReasonBeforeAnyRequest) {
    const Refusal cases[] = {
        {"expired", true, nullptr, DS_TRANSPORT_EXPIRED, "expired", "127.0.0.1"},
        {"otherhost", true, nullptr, DS_TRANSPORT_WRONG_HOST, "another host name", "other.example"},
        {"selfsigned", true, nullptr, DS_TRANSPORT_UNTRUSTED, "issuer not trusted", "127.0.0.1"},
        // The system's store knows nothing of the test's CA.
        {"good", false, nullptr, DS_TRANSPORT_UNTRUSTED, "issuer not trusted", "127.0.0.1"},
        {"selfsigned", false, "good.sha256", DS_TRANSPORT_PIN_MISMATCH, "not the pinned one",
         "127.0.0.1"},
        // A pin stands in for the issuer only: the certificate still has to be valid.
        {"expired", false, "expired.sha256", DS_TRANSPORT_EXPIRED, "expired", "127.0.0.1"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.cert + std::string(c.trustTestCa ? " trusting the test CA" : ""));
        std::string pin = c.pinFile != nullptr ? Fingerprint(c.pinFile) : "";
        StartOverHttps(c.cert, c.trustTestCa ? Cert("ca.pem") : "", pin);
        EXPECT_EQ(ServerState(), "0");
        std::string text;
        EXPECT_EQ(LastFailure(text), c.code);
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_NE(text.find(c.subject), std::string::npos) << text;
        EXPECT_TRUE(m_server->AccessLog().empty());
        ReleaseComponent();
        m_server->Stop();
        m_host.Clear();
    }
}

TEST_F(SecureTransport, APinnedSelfSignedCertificateIsTheOneTrusted) {
    // Colons and capitals as a person copies a fingerprint.
    std::string pin;
    for (char c : Fingerprint("selfsigned.sha256")) {
        pin += (pin.empty() || pin.size() % 3 != 2 ? "" : ":");
        pin += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    StartOverHttps("selfsigned", "", pin);
    ASSERT_EQ(ServerState(), "1");
    std::vector<std::string> names;
    ASSERT_TRUE(m_server->WriteFile("Presenter/agenda.txt", "1."));
    EXPECT_TRUE(ListPresenter(names));
    EXPECT_EQ(names, std::vector<std::string>{"agenda.txt"});
    // Nothing else is a fingerprint, and nothing is taken from a refused call.
    EXPECT_EQ(m_pTransport->SetServerSecurity(1, "", "abc"), 0);
    EXPECT_EQ(m_pTransport->SetServerSecurity(1, Cert("missing.pem").c_str(), ""), 0);
    EXPECT_TRUE(ListPresenter(names));
}

TEST_F(SecureTransport, BasicIsRefusedInClearWhenAskedAndDigestStillWorks) {
    for (const char* auth : {"basic", "digest"}) {
        SCOPED_TRACE(auth);
        m_auth = auth;
        ASSERT_TRUE(StartServer());
        ASSERT_TRUE(m_server->WriteFile("Presenter/agenda.txt", "1."));
        Configure([](IDocShelfTransportItf* t) { t->SetRefuseBasicInClear(1); });
        StartComponent(m_server->Port());
        std::vector<std::string> names;
        ASSERT_TRUE(ListPresenter(names));
        std::string text;
        if (m_auth == "basic") {
            EXPECT_TRUE(names.empty());
            EXPECT_EQ(LastFailure(text), DS_TRANSPORT_BASIC_REFUSED);
            // No request carried a user: the password never left.
            for (const std::string& line : m_server->AccessLog()) {
                EXPECT_NE(line.find(" - - ["), std::string::npos) << line;
            }
        } else {
            EXPECT_EQ(names, std::vector<std::string>{"agenda.txt"});
            EXPECT_EQ(LastFailure(text), DS_TRANSPORT_OK);
        }
        ReleaseComponent();
        m_server->Stop();
    }
}
