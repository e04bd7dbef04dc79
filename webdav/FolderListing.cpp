// SPDX-License-Identifier: Apache-2.0
#include "FolderListing.h"

#include <ne_basic.h>
#include <ne_props.h>

#include "DSProtocol.h"
#include "PathCodec.h"
#include "Trace.h"

namespace {

const ne_propname kAuthorProps[] = {
    {"DAV:", "getetag"}, {ds::kAuthorPropSpace, ds::kAuthorPropName}, {nullptr, nullptr}};

struct AuthorResult {
    bool bAnswered = false;
    std::string tag;
    std::string author;
};

void OnAuthor(void* userdata, const ne_uri*, const ne_prop_result_set* results) {
    auto* answer = static_cast<AuthorResult*>(userdata);
    // Only the first answer counts: a Depth 0 request names one resource.
    if (answer->bAnswered || results == nullptr) {
        return;
    }
    answer->bAnswered = true;
    if (const char* tag = ne_propset_value(results, &kAuthorProps[0])) {
        answer->tag = tag;
    }
    if (const char* author = ne_propset_value(results, &kAuthorProps[1])) {
        answer->author = author;
    }
}

// False when any answer failed or the file changed since the listing.
bool AskAuthors(ne_session* sess, const std::string& folder, DirEntries& entries,
                const std::vector<size_t>& unknown) {
    for (size_t i : unknown) {
        DirEntry& entry = entries[i];
        const std::string uri = ToWirePath(folder + entry.fileName);
        if (ReadAuthor(sess, uri, entry.tag, entry.author) != AuthorAnswer::Read) {
            TraceInfo("dshelf - ListFolder; the author of %s was not read, listing again",
                      uri.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

AuthorAnswer ReadAuthor(ne_session* sess, const std::string& uri, uint64_t tag,
                        std::string& author) {
    AuthorResult answer;
    if (ne_simple_propfind(sess, uri.c_str(), NE_DEPTH_ZERO, kAuthorProps, OnAuthor, &answer) !=
            NE_OK ||
        !answer.bAnswered) {
        return AuthorAnswer::Failed;
    }
    if (TagOf(answer.tag) != tag) {
        return AuthorAnswer::Changed;
    }
    author = std::move(answer.author);
    return AuthorAnswer::Read;
}

ListingOutcome ListFolder(ne_session* sess, CProgressWatch& watch, const std::string& serverDir,
                          const std::string& folder, CKnownAuthors& known) {
    if (known.Knows(folder, kMaxAuthorQuestions)) {
        ListingOutcome out = ReadListing(sess, serverDir, folder, watch, ListedAuthor::NotAsked);
        if (out.result != ds::kListOk) {
            return out;
        }
        const std::vector<size_t> unknown = known.Fill(folder, out.entries);
        if (unknown.size() <= kMaxAuthorQuestions &&
            AskAuthors(sess, folder, out.entries, unknown)) {
            known.Remember(folder, out.entries);
            return out;
        }
    }
    ListingOutcome out = ReadListing(sess, serverDir, folder, watch, ListedAuthor::Asked);
    if (out.result == ds::kListOk) {
        known.Remember(folder, out.entries);
    } else {
        known.Forget(folder);
    }
    return out;
}
