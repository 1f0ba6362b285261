#pragma once
#include "FormFixture.h"
#include "JpegFixtures.h"
#include "Settings.h"
#include "StateHome.h"
#include "TApplication.h"
#include "TFileDialog.h"
#include "TestFileBytes.h"

#include <QDir>
#include <QMap>
#include <functional>
#include <optional>

// Every entry of a folder (not its subfolders' insides) with the bytes of
// each file, so that a test can tell that nothing was changed, lost or left.
inline QMap<QString, QByteArray> FolderContents(const QString& folder) {
    QMap<QString, QByteArray> contents;
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        contents[entry.fileName()] = entry.isDir() ? QByteArray("<folder>") : ReadFileBytes(entry.filePath());
    return contents;
}

// The main window with its dialogs answered and its error report recorded.
class FaultFixture : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        TApplication::SetErrorReporter([this](const QString&, const QString& text) { reports.append(text); });
        TFileDialog::SetAnswerer([this](const TFileDialog&) { return answer ? answer() : std::nullopt; });
    }
    void TearDown() override {
        TFileDialog::SetAnswerer(nullptr);
        TApplication::SetErrorReporter(nullptr);
        FormFixture::TearDown();
    }

    // Clicks the save button; the dialog answers with the name.
    void SaveAs(const QString& name) {
        answer = [name] { return std::optional<QString>(name); };
        form->BitBtn1Click();
    }
    // Clicks the open button; the dialog answers with the file.
    void Open(const QString& file) {
        answer = [file] { return std::optional<QString>(file); };
        form->BitBtn2Click();
    }

    static QString WritePhoto(const QString& path, int width, int height) {
        WriteFileBytes(path, MakeJpeg(JpegTestPattern(width, height)));
        return path;
    }

    // Writes the settings file with a known record, to compare it later.
    void WriteKnownSettings(const QString& fileName) {
        SetSettingsFileName(fileName);
        Settings.LastOpenFolder = "/earlier/open/";
        Settings.LastSaveFolder = "/earlier/save/";
        SaveSettings();
    }

    StateHome state;
    std::function<std::optional<QString>()> answer;
    QStringList reports;
};
