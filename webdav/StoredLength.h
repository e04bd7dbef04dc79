// What the server says it holds of one file: its DAV:getcontentlength, asked with a Depth 0
// PROPFIND.
#pragma once

#include <cstdint>
#include <string>

#include <ne_session.h>

enum class StoredLength { Known, NotReported, Failed };

// uri is escaped, as sent.
StoredLength ReadStoredLength(ne_session* sess, const std::string& uri, uint64_t& length);
