#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

constexpr int FolderLimit = 128;

// The folder part of a file name (everything up to and including the last
// "/"), cut to FolderLimit bytes without splitting a UTF-8 character.
QByteArray FolderOf(const QString& fileName);
QByteArray CutFolder(const QByteArray& folder);

// A folder of the settings record and the way to write the whole record.
struct TRememberedFolder {
    QByteArray& Folder;
    std::function<void()> SaveSettings;
};
