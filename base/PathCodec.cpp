// SPDX-License-Identifier: Apache-2.0
#include "PathCodec.h"

#include <cctype>

#include "CodePage.h"

std::string MakeServerPath(std::string_view serverDir, std::string_view path) {
    if (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    }
    std::string full(serverDir);
    full.append(path);
    return full;
}

std::string ToRelativePath(std::string_view serverDir, std::string_view path) {
    std::string p;
    if (path.empty() || path.front() != '/') {
        p = "/";
    }
    p.append(path);
    if (p.size() < serverDir.size() ||
        !EqualsNoCase(std::string_view(p).substr(0, serverDir.size()), serverDir)) {
        return std::string();
    }
    return p.substr(serverDir.size());
}

namespace {

std::string Normalized(std::string_view path) {
    if (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    std::string p;
    if (path.empty() || path.front() != '/') {
        p = "/";
    }
    p.append(path);
    return p;
}

int HexValue(char c) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 0;
}

} // namespace

std::string GetPathName(std::string_view path) {
    std::string p = Normalized(path);
    return p.substr(p.find_last_of('/') + 1);
}

std::string GetParentPath(std::string_view path) {
    std::string p = Normalized(path);
    return p.substr(0, p.find_last_of('/'));
}

std::string ParentOfServerDir(std::string_view serverDir) {
    std::string_view dir = serverDir;
    if (!dir.empty() && dir.back() == '/') {
        dir.remove_suffix(1);
    }
    const size_t slash = dir.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(dir.substr(0, slash));
}

std::string EncodePath(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80 && (std::isalnum(c) || c == '/')) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

std::string DecodePath(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && text.size() - i >= 3) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string AnsiToUtf8(std::string_view text) {
    return afx::AnsiToUtf8(text);
}

std::string ToWirePath(std::string_view text) {
    return EncodePath(AnsiToUtf8(text));
}

std::string Utf8ToAnsi(std::string_view text) {
    return afx::Utf8ToAnsi(text);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

bool IsUnsafeLocalName(std::string_view name) {
    return name.empty() || name == "." || name == ".." ||
           name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos;
}
