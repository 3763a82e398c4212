// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace qm {

// The system calls a durable write makes. The program uses the real ones; tests derive from it
// to make any one call fail the way a full, failing or read-only disk does.
class FileCalls {
public:
    virtual ~FileCalls() = default;
    virtual int open(const char *path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void *data, size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char *from, const char *to);
    virtual int unlink(const char *path);

    // The real calls.
    static FileCalls &system();
};

// Puts `bytes` in place at `path` in one step, or leaves whatever was there byte for byte.
// Where `path` is a symbolic link, its final target is replaced and the link stays a link.
// The new file is private to the user (mode 0600). Returns why it could not, in words that fit
// after "couldn't save your scripts: ", or an empty text once the bytes are on the disk.
QString writeFileDurably(
    const QString &path, const QByteArray &bytes, FileCalls &calls = FileCalls::system());

} // namespace qm
