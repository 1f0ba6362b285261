#pragma once
#include "Settings.h"
#include "TForm1.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QToolTip>
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

// The tool tip as the window shows it when the pointer rests on a control.
inline QString ToolTipShown(QWidget* control) {
    const QPoint at = control->rect().center();
    QHelpEvent help(QEvent::ToolTip, at, control->mapToGlobal(at));
    QCoreApplication::sendEvent(control, &help);
    const QString text = QToolTip::text();
    QToolTip::hideText();
    return text;
}
