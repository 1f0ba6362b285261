#include "TempDir.h"

#include <QDirIterator>
#include <QFile>

TempDir::TempDir() : dir_(QDir::tempPath() + QStringLiteral("/tolvane-test-XXXXXX")) {}

TempDir::~TempDir() {
    // Tests make folders read-only to provoke failures; give the rights back first.
    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    QFile::setPermissions(dir_.path(), all);
    QDirIterator it(dir_.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), all);
}
