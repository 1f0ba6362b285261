#pragma once
#include <QString>
#include <QTemporaryDir>

// A fresh folder removed with the fixture, also when it was made read-only.
class TempDir {
public:
    TempDir();
    ~TempDir();
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};
