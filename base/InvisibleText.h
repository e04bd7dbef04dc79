// SPDX-License-Identifier: Apache-2.0
// Characters that change how a text looks without being seen: C1 controls, the line and
// paragraph separators, the bidirectional embeddings, overrides, isolates and marks, and the
// invisible spaces and joiners that no script needs (ZWJ and ZWNJ, which scripts and emoji do
// need, are not among them). "\xE2\x80\xAE" (U+202E) before "txt.exe" shows it as "exe.txt".
// Texts are UTF-8; a text in another code page holds none of them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ds {

// The length of the UTF-8 sequence of such a character at text[at], 0 when there is none; its
// code point in codePoint.
size_t InvisibleAt(std::string_view text, size_t at, char32_t& codePoint);
bool HasInvisible(std::string_view text);
// The text with each such character written out as "<U+XXXX>": what a person sees of a name
// from a server, in its real order.
std::string ShowInvisible(std::string_view text);

} // namespace ds
