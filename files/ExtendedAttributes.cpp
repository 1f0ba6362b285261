#include "ExtendedAttributes.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <cerrno>
#include <sys/types.h>
#include <sys/xattr.h>

namespace {

bool Unsupported(int error) {
    return error == ENOTSUP || error == ENOSYS;
}

// Asks for the size first, then for the bytes, again while they grow between
// the two calls. `read` returns what listxattr and getxattr return.
template <typename Read> int ReadSized(QByteArray& out, Read read) {
    for (;;) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0)
            return errno;
        out.resize(static_cast<qsizetype>(size));
        const ssize_t got = read(out.data(), static_cast<size_t>(out.size()));
        if (got >= 0 && got <= out.size()) {
            out.resize(static_cast<qsizetype>(got));
            return 0;
        }
        if (got < 0 && errno != ERANGE)
            return errno;
    }
}

// The attribute names of a file; none where the file system has no attributes.
int Names(QByteArrayList& names, auto list) {
    QByteArray packed;
    if (const int error = ReadSized(packed, list))
        return Unsupported(error) ? 0 : error;
    names = packed.split('\0');
    names.removeAll(QByteArray());
    return 0;
}

} // namespace

int CopyExtendedAttributes(const QString& from, int to) {
    const QByteArray path = QFile::encodeName(from);
    QByteArrayList wanted;
    QByteArrayList present;
    if (const int error = Names(wanted, [&](char* data, size_t size) {
            return ::listxattr(path.constData(), data, size);
        }))
        return error;
    if (const int error =
            Names(present, [&](char* data, size_t size) { return ::flistxattr(to, data, size); }))
        return error;
    for (const QByteArray& name : wanted) {
        QByteArray value;
        if (const int error = ReadSized(value, [&](char* data, size_t size) {
                return ::getxattr(path.constData(), name.constData(), data, size);
            }))
            return error;
        // One the new file already has as it should (a security label given
        // at creation) is left alone: setting it may need rights the user lacks.
        QByteArray current;
        if (present.contains(name) &&
            ReadSized(current,
                      [&](char* data, size_t size) {
                          return ::fgetxattr(to, name.constData(), data, size);
                      }) == 0 &&
            current == value)
            continue;
        if (::fsetxattr(to, name.constData(), value.constData(), static_cast<size_t>(value.size()),
                        0) != 0)
            return errno;
    }
    // Such as an ACL inherited from the folder's default ACL.
    for (const QByteArray& name : present)
        if (!wanted.contains(name) && ::fremovexattr(to, name.constData()) != 0)
            return errno;
    return 0;
}
