// What the server says it holds of one file of an upload: its DAV:getcontentlength and its
// uploader label, asked with a Depth 0 PROPFIND.
#pragma once

#include <cstdint>
#include <string>

#include <ne_session.h>

enum class StoredLength {
    Known,       // the length is in `length`
    NotReported, // the server answered for the file without a length
    NotFound,    // 404: the file is not there
    Refused,     // any other status, or an answer that could not be read
    NoAnswer,    // the connection failed or was lost
};

struct StoredFile {
    uint64_t length = 0;
    std::string author; // the uploader property as stored (escaped), "" when absent
};

// uri is escaped, as sent.
StoredLength ReadStoredLength(ne_session* sess, const std::string& uri, StoredFile& file);
// Sets the uploader property (author escaped, as stored); false, with the session's error,
// when the server refused.
bool LabelUploader(ne_session* sess, const std::string& uri, const std::string& author);
