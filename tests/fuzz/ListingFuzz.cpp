// SPDX-License-Identifier: Apache-2.0
// The listing reader fed any answer body as a 207 multistatus: it never crashes, reports
// entries only from a listing it could read, and every entry it reports has a plain name.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include <ne_session.h>
#include <ne_socket.h>

#include "CoreLib.h"
#include "HostileServer.h"
#include "ListingReader.h"
#include "PathCodec.h"

namespace {

constexpr const char* kServerDir = "/dav/room/";
constexpr const char* kFolder = "/dav/room/Presenter/";

CHostileServer* g_server = nullptr;

void Quiet(void*, int32_t, int32_t, const char*) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ne_sock_init();
    CoreLibSetLogSink(&Quiet, nullptr, 0);
    g_server = new CHostileServer;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_server->ClearRules();
    g_server->On("PROPFIND",
                 CHostileServer::Status(207, std::string(reinterpret_cast<const char*>(data), size),
                                        "Content-Type: application/xml\r\n"));
    ne_session* sess =
        ne_session_create("http", "127.0.0.1", static_cast<unsigned>(g_server->Port()));
    ne_set_read_timeout(sess, 5);
    CProgressWatch watch(CProgressWatch::Deadline(60));
    ListingOutcome out = ReadListing(sess, kServerDir, kFolder, watch);
    ne_session_destroy(sess);
    if (out.result != ds::kListOk && !out.entries.empty()) {
        std::abort();
    }
    for (const DirEntry& e : out.entries) {
        if (!e.bFolderItself && IsUnsafeLocalName(e.fileName)) {
            std::abort();
        }
        if (out.relatedPath != "/Presenter/") {
            std::abort();
        }
    }
    return 0;
}
