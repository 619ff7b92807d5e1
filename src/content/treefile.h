#pragma once

// The content tree is whatever medium the school was handed, so nothing in
// it is trusted: before a file of the tree is read or run its type and place
// are checked here. A file is taken only when, with every symbolic link
// resolved, it is a regular file (never a FIFO, a device or a folder, which
// could block or never end) inside the tree's root; and it is opened without
// blocking and checked again on the open descriptor, so that a file swapped
// in between the two looks is caught too.

#include <QString>

#include <cstdint>

namespace content {

// True when localPath, with every link resolved, is root (itself resolved)
// or lies below it.
bool isInsideTree(const QString &localPath, const QString &root);

// The canonical path of localPath when it resolves to a regular file inside
// root (itself resolved); empty otherwise.
QString regularFileInside(const QString &localPath, const QString &root);

// Why a file was not opened.
enum class FileRefusal {
    None,
    Missing,     // nothing there (or a dangling link)
    NotRegular,  // a folder, FIFO, device or socket
    TooLarge,    // larger than the caller's limit
    Unreadable,  // the system refused to open it; error() says why
};

// A regular file opened for reading, or the reason it was not. Its type and
// size are read before it is opened, so a FIFO or a device is never opened.
class RegularFile
{
public:
    RegularFile(const QString &localPath, std::int64_t maxSize);
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    std::int64_t size() const { return m_size; }
    unsigned permissions() const { return m_mode; }
    FileRefusal refusal() const { return m_refusal; }
    // The errno of an Unreadable refusal (EISDIR for a folder).
    int error() const { return m_error; }
    // A short English reason, as the system's own error texts read.
    QString reason() const;

    // True when the opened file itself, as the system names it now, lies
    // inside root (itself resolved): a link swapped in for the name before
    // the open is seen here, whatever the name says afterwards.
    bool isInside(const QString &root) const;

    // Reads at most maxBytes from the current position; false on an error.
    bool readAll(QByteArray *bytes, std::int64_t maxBytes);
    // Hands the open descriptor over to the caller, who closes it.
    int release();

private:
    int m_fd = -1;
    std::int64_t m_size = 0;
    unsigned m_mode = 0;
    FileRefusal m_refusal = FileRefusal::None;
    int m_error = 0;
    unsigned m_type = 0;
};

} // namespace content
