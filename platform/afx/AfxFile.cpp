// SPDX-License-Identifier: Apache-2.0
#include "AfxFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

CFile::~CFile() {
    Close();
}

bool CFile::Open(const char* pszPath, unsigned nFlags) {
    Close();
    if (pszPath == nullptr) {
        errno = EINVAL;
        return false;
    }
    int flags = O_CLOEXEC;
    if (nFlags & modeReadWrite) {
        flags |= O_RDWR;
    } else if (nFlags & modeWrite) {
        flags |= O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    if (nFlags & modeCreate) {
        flags |= O_CREAT;
        if (nFlags & modeCreateNew) {
            flags |= O_EXCL;
        } else if (!(nFlags & modeNoTruncate)) {
            flags |= O_TRUNC;
        }
    }
    int fd;
    do {
        fd = ::open(pszPath, flags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        // A folder is never a file to read or write.
        ::close(fd);
        errno = EISDIR;
        return false;
    }
    m_fd = fd;
    m_path = pszPath;
    return true;
}

bool CFile::SetLength(int64_t nLength) {
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    int rc;
    do {
        rc = ::ftruncate(m_fd, static_cast<off_t>(nLength));
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

int64_t CFile::GetLength() const {
    struct stat st;
    if (m_fd < 0) {
        errno = EBADF;
        return -1;
    }
    if (::fstat(m_fd, &st) != 0) {
        return -1;
    }
    return static_cast<int64_t>(st.st_size);
}

namespace {

ssize_t ReadThrough(int fd, void* pBuffer, size_t nCount) {
    ssize_t n;
    do {
        n = ::read(fd, pBuffer, nCount);
    } while (n < 0 && errno == EINTR);
    return n;
}

} // namespace

int64_t CFile::Read(void* pBuffer, size_t nCount) {
    if (m_fd < 0) {
        errno = EBADF;
        return -1;
    }
    if (m_nReadPos == m_nReadEnd) {
        if (m_readBuffer.empty() || nCount >= m_readBuffer.size()) {
            return ReadThrough(m_fd, pBuffer, nCount);
        }
        ssize_t n = ReadThrough(m_fd, m_readBuffer.data(), m_readBuffer.size());
        if (n <= 0) {
            return n;
        }
        m_nReadPos = 0;
        m_nReadEnd = static_cast<size_t>(n);
    }
    size_t n = std::min(nCount, m_nReadEnd - m_nReadPos);
    std::memcpy(pBuffer, m_readBuffer.data() + m_nReadPos, n);
    m_nReadPos += n;
    return static_cast<int64_t>(n);
}

void CFile::SetReadBuffer(size_t nSize) {
    m_readBuffer.assign(nSize, '\0');
    m_nReadPos = m_nReadEnd = 0;
}

bool CFile::Write(const void* pBuffer, size_t nCount) {
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    const char* p = static_cast<const char*>(pBuffer);
    if (m_buffer.empty()) {
        return WriteThrough(p, nCount);
    }
    while (nCount > 0) {
        size_t n = std::min(nCount, m_buffer.size() - m_nBuffered);
        std::memcpy(m_buffer.data() + m_nBuffered, p, n);
        m_nBuffered += n;
        p += n;
        nCount -= n;
        if (m_nBuffered == m_buffer.size() && !Flush()) {
            return false;
        }
    }
    return true;
}

void CFile::SetWriteBuffer(size_t nSize) {
    Flush();
    m_buffer.assign(nSize, '\0');
    m_nBuffered = 0;
}

bool CFile::Flush() {
    if (m_nBuffered == 0) {
        return true;
    }
    size_t n = m_nBuffered;
    m_nBuffered = 0;
    return WriteThrough(m_buffer.data(), n);
}

bool CFile::WriteThrough(const char* p, size_t nCount) {
    while (nCount > 0) {
        ssize_t n = ::write(m_fd, p, nCount);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        nCount -= static_cast<size_t>(n);
    }
    return true;
}

int64_t CFile::Seek(int64_t nOffset, SeekPosition from) {
    if (m_fd < 0) {
        errno = EBADF;
        return -1;
    }
    int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    if (whence == SEEK_CUR) {
        // The file's position is ahead of the caller's by what was read ahead.
        nOffset -= static_cast<int64_t>(m_nReadEnd - m_nReadPos);
    }
    m_nReadPos = m_nReadEnd = 0;
    return static_cast<int64_t>(::lseek(m_fd, static_cast<off_t>(nOffset), whence));
}

bool CFile::Close() {
    bool ok = true;
    if (m_fd >= 0) {
        ok = Flush();
        ::close(m_fd);
        m_fd = -1;
    }
    m_nBuffered = 0;
    m_nReadPos = m_nReadEnd = 0;
    return ok;
}

std::string CFile::GetFileName() const {
    size_t slash = m_path.find_last_of('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

bool CFile::Remove(const char* pszPath) {
    return pszPath != nullptr && ::unlink(pszPath) == 0;
}

bool CFileFind::FindFile(const char* pszPattern) {
    Close();
    if (pszPattern == nullptr) {
        errno = EINVAL;
        return false;
    }
    std::string pattern = pszPattern;
    size_t slash = pattern.find_last_of('/');
    std::string name = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    m_dir = slash == std::string::npos ? std::string(".") : pattern.substr(0, slash);
    if (m_dir.empty()) {
        m_dir = "/";
    }
    if (name.empty() || name == "*.*") {
        name = "*";
    }
    DIR* dir = ::opendir(m_dir.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (struct dirent* entry = ::readdir(dir)) {
        if (::fnmatch(name.c_str(), entry->d_name, FNM_PERIOD) == 0 ||
            (name == "*" && entry->d_name[0] == '.')) {
            m_names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    return !m_names.empty();
}

bool CFileFind::FindNextFile() {
    if (m_next >= m_names.size()) {
        m_hasCurrent = false;
        return false;
    }
    ++m_next;
    m_hasCurrent = true;
    return m_next < m_names.size();
}

std::string CFileFind::GetFileName() const {
    return m_hasCurrent ? m_names[m_next - 1] : std::string();
}

std::string CFileFind::GetFilePath() const {
    if (!m_hasCurrent) {
        return std::string();
    }
    return m_dir == "/" ? "/" + GetFileName() : m_dir + "/" + GetFileName();
}

bool CFileFind::IsDirectory() const {
    if (!m_hasCurrent) {
        return false;
    }
    struct stat st;
    return ::stat(GetFilePath().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CFileFind::IsDots() const {
    std::string name = GetFileName();
    return m_hasCurrent && (name == "." || name == "..");
}

void CFileFind::Close() {
    m_dir.clear();
    m_names.clear();
    m_next = 0;
    m_hasCurrent = false;
}

namespace {

constexpr std::string_view kTemporaryTagChars = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kRandomTagSize = 10;
constexpr size_t kMaxTagSize = 16;
// The mark: no user names a hidden file ".NAME.docshelf-TAG.part" by chance.
constexpr std::string_view kTemporaryMark = ".docshelf-";
constexpr std::string_view kTemporarySuffix = ".part";

bool IsTag(std::string_view tag) {
    return !tag.empty() && tag.size() <= kMaxTagSize &&
           tag.find_first_not_of(kTemporaryTagChars) == std::string_view::npos;
}

} // namespace

std::string CFile::TemporaryNameBeside(const std::string& path) {
    static thread_local std::mt19937 rng{std::random_device{}()};
    std::string tag(kRandomTagSize, 'x');
    for (char& c : tag) {
        c = kTemporaryTagChars[rng() % kTemporaryTagChars.size()];
    }
    return TemporaryNameBeside(path, tag);
}

std::string CFile::TemporaryNameBeside(const std::string& path, std::string_view tag) {
    // Room for the additions within a file name's 255 bytes.
    constexpr size_t kMaxStem = 200;
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (stem.size() > kMaxStem) {
        stem.resize(kMaxStem);
    }
    return dir + "." + stem + std::string(kTemporaryMark) + std::string(tag) +
           std::string(kTemporarySuffix);
}

bool CFile::IsTemporaryName(std::string_view name) {
    // "." stem ".docshelf-" tag ".part", exactly
    if (name.size() < 2 || name.front() != '.' || name.size() <= kTemporarySuffix.size() ||
        name.substr(name.size() - kTemporarySuffix.size()) != kTemporarySuffix) {
        return false;
    }
    const std::string_view head = name.substr(0, name.size() - kTemporarySuffix.size());
    const size_t mark = head.rfind(kTemporaryMark);
    return mark != std::string_view::npos && mark >= 2 &&
           IsTag(head.substr(mark + kTemporaryMark.size()));
}
