#pragma once
#include <QByteArray>
#include <functional>

// A folder of the settings record and the way to write the whole record.
struct TRememberedFolder {
    QByteArray& Folder;
    std::function<void()> SaveSettings;
};
