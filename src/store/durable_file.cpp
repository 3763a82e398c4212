// SPDX-License-Identifier: GPL-3.0-or-later
#include "durable_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace qm {

int FileCalls::open(const char *path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

ssize_t FileCalls::write(int fd, const void *data, size_t size)
{
    return ::write(fd, data, size);
}

int FileCalls::fsync(int fd)
{
    return ::fsync(fd);
}

int FileCalls::close(int fd)
{
    return ::close(fd);
}

int FileCalls::rename(const char *from, const char *to)
{
    return ::rename(from, to);
}

int FileCalls::unlink(const char *path)
{
    return ::unlink(path);
}

FileCalls &FileCalls::system()
{
    static FileCalls calls;
    return calls;
}

namespace {

// Where a write to `path` lands: `path` itself, or the final target of the links it names.
QString finalLinkTarget(const QString &path)
{
    QByteArray current = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    // A loop of links ends where the system would give up too (ELOOP); the write then fails
    // at open with the system's own reason.
    for (int depth = 0; depth < 40; ++depth) {
        char buffer[4096];
        const ssize_t n = ::readlink(current.constData(), buffer, sizeof buffer);
        if (n <= 0 || size_t(n) >= sizeof buffer)
            break;
        QByteArray target(buffer, n);
        if (!target.startsWith('/'))
            target = current.left(current.lastIndexOf('/') + 1) + target;
        current = target;
    }
    return QFile::decodeName(current);
}

// The system's description of an error, as the tail of a sentence.
QString errorText(int error)
{
    QString text = qt_error_string(error);
    if (text.isEmpty())
        return QStringLiteral("the file could not be written");
    if (text.size() > 1 && text.at(0).isUpper() && !text.at(1).isUpper())
        text[0] = text.at(0).toLower();
    while (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

} // namespace

// QSaveFile is not used here: in Qt 6.4 a write it has buffered that fails on a full disk at
// commit() still renames the short temporary file over the target and reports success, and it
// ignores what fsync says. Every step below is checked, and nothing replaces the old file until
// the new bytes have been written and synced without a single error.
QString writeFileDurably(const QString &path, const QByteArray &bytes, FileCalls &calls)
{
    const QString target = finalLinkTarget(path);
    const QByteArray targetName = QFile::encodeName(target);
    const qsizetype slash = targetName.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? targetName.left(slash) : QByteArray("/");

    // A hidden name beside the target, on the same file system, so the rename is one step.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = folder + "/." + targetName.mid(slash + 1) + '.'
            + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".new";
        fd = calls.open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return errorText(errno);
    }
    if (fd < 0)
        return errorText(EEXIST);

    const auto giveUp = [&](int error) {
        if (fd >= 0)
            calls.close(fd);
        calls.unlink(temporary.constData());
        return errorText(error);
    };

    const char *data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t written = calls.write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return giveUp(errno);
        // A regular file that takes nothing without saying why is out of room.
        if (written == 0)
            return giveUp(ENOSPC);
        data += written;
        left -= size_t(written);
    }
    // On ext4, btrfs, XFS and network file systems "no space" and I/O errors may first show
    // here or at close.
    if (calls.fsync(fd) != 0)
        return giveUp(errno);
    const int closed = calls.close(fd);
    fd = -1;
    // Linux has let go of the descriptor even when close fails; EINTR comes after the data is
    // already synced, so only a real error stops the write.
    if (closed != 0 && errno != EINTR)
        return giveUp(errno);

    if (calls.rename(temporary.constData(), targetName.constData()) != 0)
        return giveUp(errno);

    // The new name must survive a power cut too. Some file systems cannot sync a folder
    // (EINVAL); the data itself is on the disk there, so that is no failure.
    const int dir = calls.open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dir < 0)
        return errno == EACCES ? QString() : errorText(errno);
    const int synced = calls.fsync(dir);
    const int syncError = errno;
    calls.close(dir);
    if (synced != 0 && syncError != EINVAL)
        return errorText(syncError);
    return {};
}

} // namespace qm
