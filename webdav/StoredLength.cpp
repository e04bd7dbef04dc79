// SPDX-License-Identifier: Apache-2.0
#include "StoredLength.h"

#include <ne_basic.h>
#include <ne_props.h>
#include <ne_request.h>

#include "DSProtocol.h"
#include "ListingReader.h"

namespace {

const ne_propname kStoredProps[] = {{"DAV:", "getcontentlength"}, {nullptr, nullptr}};

struct Answer {
    bool bAnswered = false;
    bool bKnown = false;
    StoredFile file;
};

void OnResult(void* userdata, const ne_uri*, const ne_prop_result_set* results) {
    auto* answer = static_cast<Answer*>(userdata);
    // Only the first answer counts: a Depth 0 request names one resource.
    if (answer->bAnswered) {
        return;
    }
    answer->bAnswered = true;
    const char* length = ne_propset_value(results, &kStoredProps[0]);
    answer->bKnown = length != nullptr && ParseContentLength(length, answer->file.length);
}

} // namespace

StoredLength ReadStoredLength(ne_session* sess, const std::string& uri, StoredFile& file) {
    Answer answer;
    ne_propfind_handler* handler = ne_propfind_create(sess, uri.c_str(), NE_DEPTH_ZERO);
    const int rc = ne_propfind_named(handler, kStoredProps, OnResult, &answer);
    const ne_status* status = ne_get_status(ne_propfind_get_request(handler));
    const int code = status != nullptr ? status->code : 0;
    ne_propfind_destroy(handler);
    if (code < 200) {
        return StoredLength::NoAnswer;
    }
    if (code == 404) {
        return StoredLength::NotFound;
    }
    if (rc != NE_OK || code != 207 || !answer.bAnswered) {
        return StoredLength::Refused;
    }
    file = answer.file;
    return answer.bKnown ? StoredLength::Known : StoredLength::NotReported;
}

bool LabelUploader(ne_session* sess, const std::string& uri, const std::string& author) {
    static const ne_propname kAuthor = {ds::kAuthorPropSpace, ds::kAuthorPropName};
    const ne_proppatch_operation ops[] = {{&kAuthor, ne_propset, author.c_str()},
                                          {nullptr, ne_propset, nullptr}};
    return ne_proppatch(sess, uri.c_str(), ops) == NE_OK;
}
