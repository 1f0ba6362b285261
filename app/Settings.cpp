#include "Settings.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

TSettingsRecord Settings;

namespace {
// File layout: a magic tag, then each folder as a length byte followed by
// FolderLimit bytes of room, like the record in memory.
constexpr char Magic[8] = {'T', 'O', 'L', 'V', 'S', 'E', 'T', '1'};
constexpr int FieldSize = 1 + FolderLimit;
constexpr int FileSize = static_cast<int>(sizeof Magic) + 2 * FieldSize;

constexpr QLatin1StringView SettingsBaseName("tolvane.settings");
constexpr QLatin1StringView ConfigSubfolder("tolvane");

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

QString SettingsFileFor(const QString& programFolder, const QString& configFolder) {
    // Trying is the only answer that holds for root, read-only mounts and
    // access lists alike.
    QTemporaryFile probe(programFolder + QStringLiteral("/.tolvane-XXXXXX"));
    if (probe.open() || configFolder.isEmpty())
        return programFolder + QLatin1Char('/') + SettingsBaseName;
    return configFolder + QLatin1Char('/') + ConfigSubfolder + QLatin1Char('/') + SettingsBaseName;
}

QString SettingsFileName() {
    if (!OverrideName().isEmpty())
        return OverrideName();
    // Decided once per run: the probe leaves a trace in the folder's times.
    static const QString name =
        SettingsFileFor(QCoreApplication::applicationDirPath(),
                        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return name;
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
    // The user's tolvane/ folder is made by the first save; any other missing
    // folder leaves the file unwritable.
    const QFileInfo info(name);
    if (info.dir().dirName() == ConfigSubfolder)
        QDir().mkpath(info.absolutePath());
    QSaveFile file(name);
    // Qt commits even when the buffered bytes could not be written (a full
    // disk), which would leave an empty file: flush and check first.
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.flush() || !file.commit())
        throw EFCreateError(QDir::toNativeSeparators(name).toStdString());
}
