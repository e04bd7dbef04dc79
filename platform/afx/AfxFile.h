// SPDX-License-Identifier: Apache-2.0
// File objects of the framework layer over POSIX: an open local file and a directory search.
// No exceptions: failures are return values, the cause is left in errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CFile {
public:
    // Open flags, combinable. POSIX has no mandatory share modes: the share flags are accepted
    // for the callers' readability and do not lock.
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyWrite = 0x0020,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        // With modeCreate: fails when the file exists already.
        modeCreateNew = 0x4000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // False on failure (errno tells why); an open file is closed first.
    bool Open(const char* pszPath, unsigned nFlags);
    bool IsOpen() const { return m_fd >= 0; }
    // The length in bytes, or -1 on failure.
    int64_t GetLength() const;
    // Cuts or extends the file to nLength bytes; false on failure.
    bool SetLength(int64_t nLength);
    // Bytes read (0 at the end), or -1 on failure.
    int64_t Read(void* pBuffer, size_t nCount);
    // Reads ahead in blocks of this size (0: read through), for callers that ask for small
    // pieces. Seek drops what was read ahead.
    void SetReadBuffer(size_t nSize);
    // True when every byte was written (or taken into the write buffer).
    bool Write(const void* pBuffer, size_t nCount);
    // Collects writes into blocks of this size (0: write through). Flush or Close writes the
    // rest; a failure of a buffered write shows at the next Write, Flush or Close.
    void SetWriteBuffer(size_t nSize);
    bool Flush();
    // The new position, or -1 on failure.
    int64_t Seek(int64_t nOffset, SeekPosition from);
    // False when buffered bytes could not be written.
    bool Close();
    // The last component of the path the file was opened with.
    std::string GetFileName() const;
    const std::string& GetFilePath() const { return m_path; }

    static bool Remove(const char* pszPath);
    // A hidden name beside a path, ".NAME.docshelf-TAG.part" with a random tag of lower-case
    // letters and digits (the name cut so the result stays a legal file name). Whoever writes it
    // opens it with modeCreateNew.
    static std::string TemporaryNameBeside(const std::string& path);
    // The same shape with a fixed tag (1 to 16 of the same characters): a name one can find
    // again.
    static std::string TemporaryNameBeside(const std::string& path, std::string_view tag);
    // Whether a file name has exactly the shape TemporaryNameBeside gives.
    static bool IsTemporaryName(std::string_view name);

private:
    bool WriteThrough(const char* p, size_t nCount);

    int m_fd = -1;
    std::string m_path;
    std::vector<char> m_buffer;
    size_t m_nBuffered = 0;
    std::vector<char> m_readBuffer;
    size_t m_nReadPos = 0; // the next byte to hand out of m_readBuffer
    size_t m_nReadEnd = 0; // the end of what was read ahead
};

// Enumerates one directory. The pattern is a directory followed by a name pattern such as
// "*.*" (which, as on the original platform, matches every name, with or without a dot).
// Usage: for (bool more = ff.FindFile(p); more;) { more = ff.FindNextFile(); ... }
class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() = default;

    bool FindFile(const char* pszPattern);
    // Steps to the next entry; false when the current one is the last.
    bool FindNextFile();
    bool IsDirectory() const;
    bool IsDots() const;
    std::string GetFileName() const;
    std::string GetFilePath() const;
    void Close();

private:
    std::string m_dir;
    std::vector<std::string> m_names;
    size_t m_next = 0;
    bool m_hasCurrent = false;
};
