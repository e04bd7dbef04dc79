#include "StoredLength.h"

#include <ne_basic.h>
#include <ne_props.h>

#include "ListingReader.h"

namespace {

const ne_propname kLengthProps[] = {{"DAV:", "getcontentlength"}, {nullptr, nullptr}};

struct Answer {
    bool bKnown = false;
    uint64_t length = 0;
};

void OnResult(void* userdata, const ne_uri*, const ne_prop_result_set* results) {
    auto* answer = static_cast<Answer*>(userdata);
    const char* value = ne_propset_value(results, &kLengthProps[0]);
    // Only the first answer counts: a Depth 0 request names one resource.
    if (!answer->bKnown && value != nullptr) {
        answer->bKnown = ParseContentLength(value, answer->length);
    }
}

} // namespace

StoredLength ReadStoredLength(ne_session* sess, const std::string& uri, uint64_t& length) {
    Answer answer;
    if (ne_simple_propfind(sess, uri.c_str(), NE_DEPTH_ZERO, kLengthProps, OnResult, &answer) !=
        NE_OK) {
        return StoredLength::Failed;
    }
    length = answer.length;
    return answer.bKnown ? StoredLength::Known : StoredLength::NotReported;
}
