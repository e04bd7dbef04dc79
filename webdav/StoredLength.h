// SPDX-License-Identifier: Apache-2.0
// What the server says it holds of one file of an upload, its DAV:getcontentlength, asked with a
// Depth 0 PROPFIND; and the label an upload gives its bytes.
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
};

// uri is escaped, as sent.
StoredLength ReadStoredLength(ne_session* sess, const std::string& uri, StoredFile& file);
// Sets the uploader property (author escaped, as stored); false, with the session's error,
// when the server refused.
bool LabelUploader(ne_session* sess, const std::string& uri, const std::string& author);
