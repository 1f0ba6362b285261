#pragma once
#include "Settings.h"
#include "TForm1.h"
#include "TempDir.h"

#include <QtGlobal>
#include <gtest/gtest.h>
#include <memory>

// A main window built from its description with the settings file in a
// temporary folder. Any Qt warning while it is built (a misspelt slot in the
// description's connections, a missing resource) fails the test.
class FormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettingsFileName(dir.File(QStringLiteral("tolvane.settings")));
        warnings().clear();
        previous = qInstallMessageHandler(&Record);
        form = std::make_unique<TForm1>();
        qInstallMessageHandler(previous);
        EXPECT_TRUE(warnings().isEmpty()) << warnings().join(QLatin1Char('\n')).toStdString();
        form->show();
    }
    void TearDown() override {
        form.reset();
        SetSettingsFileName(QString());
    }

    static QStringList& warnings() {
        static QStringList list;
        return list;
    }
    static void Record(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            warnings().append(message);
    }

    TempDir dir;
    QtMessageHandler previous = nullptr;
    std::unique_ptr<TForm1> form;
};
