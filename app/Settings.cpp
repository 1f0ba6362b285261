#include "Settings.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

TSettingsRecord Settings;

namespace {
// File layout: a magic tag, then each folder as a length byte followed by
// FolderLimit bytes of room, like the record in memory.
constexpr char Magic[8] = {'T', 'O', 'L', 'V', 'S', 'E', 'T', '1'};
constexpr int FieldSize = 1 + FolderLimit;
constexpr int FileSize = static_cast<int>(sizeof Magic) + 2 * FieldSize;

QString& OverrideName() {
    static QString name;
    return name;
}

void PutField(QByteArray& out, const QByteArray& folder) {
    const QByteArray cut = CutFolder(folder);
    out.append(static_cast<char>(cut.size()));
    out.append(cut);
    out.append(FolderLimit - cut.size(), '\0');
}

bool GetField(const QByteArray& in, int offset, QByteArray& folder) {
    const int length = static_cast<unsigned char>(in[offset]);
    if (length > FolderLimit)
        return false;
    folder = in.mid(offset + 1, length);
    return true;
}
} // namespace

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

QString SettingsFileName() {
    if (!OverrideName().isEmpty())
        return OverrideName();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tolvane.settings");
}

void SetSettingsFileName(const QString& fileName) { OverrideName() = fileName; }

void LoadSettings() {
    Settings = TSettingsRecord{};
    QFile file(SettingsFileName());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray in = file.read(FileSize + 1);
    if (in.size() != FileSize || !in.startsWith(QByteArray(Magic, sizeof Magic)))
        return;
    TSettingsRecord record;
    if (GetField(in, sizeof Magic, record.LastOpenFolder) &&
        GetField(in, sizeof Magic + FieldSize, record.LastSaveFolder))
        Settings = record;
}

void SaveSettings() {
    QByteArray out(Magic, sizeof Magic);
    PutField(out, Settings.LastOpenFolder);
    PutField(out, Settings.LastSaveFolder);

    const QString name = SettingsFileName();
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw EFCreateError(QDir::toNativeSeparators(name).toStdString());
}
