// SPDX-License-Identifier: Apache-2.0
// Lists a folder, asking the server for the authors of new or changed files only: the folder's
// first listing asks for every author, later ones for none, and a few files the listing does not
// know are asked one by one. Too many of them, or a failed question, and the listing is read
// again with every author.
#pragma once

#include <string>

#include <ne_session.h>

#include "KnownAuthors.h"
#include "ListingReader.h"

// Beyond this many files of unknown author one listing with authors costs less.
constexpr size_t kMaxAuthorQuestions = 8;

ListingOutcome ListFolder(ne_session* sess, CProgressWatch& watch, const std::string& serverDir,
                          const std::string& folder, CKnownAuthors& known);

enum class AuthorAnswer { Read, Changed, Failed };

// One file's author and tag with a Depth 0 PROPFIND; Changed when its tag (TagOf) is no longer
// tag.
// uri is escaped, as sent.
AuthorAnswer ReadAuthor(ne_session* sess, const std::string& uri, uint64_t tag,
                        std::string& author);
