#include "DocumentOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
DocumentOpenerFn& Opener() {
    static DocumentOpenerFn opener;
    return opener;
}
} // namespace

void SetDocumentOpener(DocumentOpenerFn opener) { Opener() = std::move(opener); }

void OpenDocument(const QString& fileName) {
    if (Opener()) {
        Opener()(fileName);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
}
