#include "RememberedFolder.h"

#include <QFile>

QByteArray CutFolder(const QByteArray& folder) {
    if (folder.size() <= FolderLimit)
        return folder;
    // Back off over continuation bytes so a multibyte character is not split;
    // at most three, since no UTF-8 character is longer than four bytes.
    int n = FolderLimit;
    for (int i = 0; i < 3 && n > 0 && (static_cast<unsigned char>(folder[n]) & 0xC0) == 0x80; ++i)
        --n;
    if ((static_cast<unsigned char>(folder[n]) & 0xC0) == 0x80)
        n = FolderLimit; // not UTF-8 after all: plain byte cut
    return folder.left(n);
}

QByteArray FolderOf(const QString& fileName) {
    const QByteArray bytes = QFile::encodeName(fileName);
    const int slash = bytes.lastIndexOf('/');
    return CutFolder(slash < 0 ? QByteArray() : bytes.left(slash + 1));
}
