#pragma once
#include <QString>
#include <functional>

// Opens a document with the desktop's default handler; the result is not
// examined. Tests replace the opener to see the call.
void OpenDocument(const QString& fileName);

using DocumentOpenerFn = std::function<void(const QString& fileName)>;
// nullptr restores the desktop's opener.
void SetDocumentOpener(DocumentOpenerFn opener);
