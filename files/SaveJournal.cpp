#include "SaveJournal.h"

#include "FileTransfer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString EntryEnding = QStringLiteral(".entry");
const QString UnfinishedEnding = QStringLiteral(".entry.new");

QByteArray Native(const QString& fileName) {
    return QFile::encodeName(fileName);
}

QByteArray ToJson(const TPendingSave& save) {
    // 64-bit numbers as text: JSON numbers are doubles.
    const QJsonObject entry{
        {QStringLiteral("target"), save.target},
        {QStringLiteral("copy"), save.copy},
        {QStringLiteral("device"), QString::number(save.device)},
        {QStringLiteral("inode"), QString::number(save.inode)},
        {QStringLiteral("oldSize"), QString::number(save.oldSize)},
        {QStringLiteral("oldHash"), QString::fromLatin1(save.oldHash.toHex())},
        {QStringLiteral("newSize"), QString::number(save.newSize)},
        {QStringLiteral("newHash"), QString::fromLatin1(save.newHash.toHex())},
    };
    return QJsonDocument(entry).toJson(QJsonDocument::Compact);
}

bool FromJson(const QByteArray& json, TPendingSave& save) {
    const QJsonObject entry = QJsonDocument::fromJson(json).object();
    const auto text = [&](const char* key) { return entry.value(QLatin1String(key)).toString(); };
    bool ok[4] = {};
    save.target = text("target");
    save.copy = text("copy");
    save.device = text("device").toULongLong(&ok[0]);
    save.inode = text("inode").toULongLong(&ok[1]);
    save.oldSize = text("oldSize").toLongLong(&ok[2]);
    save.oldHash = QByteArray::fromHex(text("oldHash").toLatin1());
    save.newSize = text("newSize").toLongLong(&ok[3]);
    save.newHash = QByteArray::fromHex(text("newHash").toLatin1());
    return ok[0] && ok[1] && ok[2] && ok[3] && QDir::isAbsolutePath(save.target) &&
           QDir::isAbsolutePath(save.copy) && save.oldHash.size() == 32 &&
           save.newHash.size() == 32;
}

// Makes a folder and those above it where missing, for the user alone.
int MakeFolders(const QString& folder) {
    if (QFileInfo(folder).isDir())
        return 0;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder)
        if (const int error = MakeFolders(parent))
            return error;
    if (::mkdir(Native(folder).constData(), 0700) == 0 || errno == EEXIST)
        return 0;
    return errno;
}

} // namespace

QByteArray ContentHash(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QString StateFolder() {
    // Only an absolute $XDG_STATE_HOME counts; a relative one is to be ignored.
    QString home = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(home) + QStringLiteral("/tolvane");
}

QString SaveJournalFolder() {
    return StateFolder() + QStringLiteral("/saving");
}

int TSaveJournalEntry::Write(const QString& id, const TPendingSave& save) {
    const QString folder = SaveJournalFolder();
    if (const int error = MakeFolders(folder))
        return error;
    // Written beside its name and renamed over it, so that an entry is
    // always whole; locked before anyone can see it.
    const QString fileName = folder + QLatin1Char('/') + id + EntryEnding;
    const QString unfinished = folder + QLatin1Char('/') + id + UnfinishedEnding;
    TFileHandle file = TFileHandle::Open(unfinished, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!file.IsOpen())
        return errno;
    if (::flock(file.Get(), LOCK_EX) != 0)
        return errno;
    int error = WriteWhole(file.Get(), ToJson(save));
    if (!error && ::rename(Native(unfinished).constData(), Native(fileName).constData()) != 0)
        error = errno;
    if (!error)
        error = SyncFolder(folder);
    if (error) {
        ::unlink(Native(unfinished).constData());
        return error;
    }
    fileName_ = fileName;
    file_ = std::move(file);
    save_ = save;
    return 0;
}

void TSaveJournalEntry::Remove() {
    if (!file_.IsOpen())
        return;
    ::unlink(Native(fileName_).constData());
    SyncFolder(SaveJournalFolder());
    file_.Close();
}

std::vector<TSaveJournalEntry> TSaveJournalEntry::Left() {
    std::vector<TSaveJournalEntry> entries;
    const QDir folder(SaveJournalFolder());
    const QStringList names =
        folder.entryList({QLatin1Char('*') + EntryEnding, QLatin1Char('*') + UnfinishedEnding},
                         QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        TSaveJournalEntry entry;
        entry.fileName_ = folder.filePath(name);
        entry.file_ = TFileHandle::Open(entry.fileName_, O_RDONLY);
        // A save still under way holds its entry.
        if (!entry.file_.IsOpen() || ::flock(entry.file_.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Taken only while the name still shows the entry that was locked.
        struct stat held {};
        struct stat named {};
        if (::fstat(entry.file_.Get(), &held) != 0 ||
            ::stat(Native(entry.fileName_).constData(), &named) != 0 ||
            held.st_ino != named.st_ino || held.st_dev != named.st_dev)
            continue;
        QByteArray json(static_cast<qsizetype>(held.st_size), Qt::Uninitialized);
        const bool read = json.size() == held.st_size &&
                          ReadAllAt(entry.file_.Get(), json.data(), json.size(), 0) == 0;
        if (name.endsWith(UnfinishedEnding) || !read || !FromJson(json, entry.save_)) {
            entry.Remove();
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}
