#include "TApplication.h"

#include "Exceptions.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>

namespace {
TApplication::Reporter& CurrentReporter() {
    static TApplication::Reporter reporter;
    return reporter;
}

QString TitleOrDefault() {
    if (auto* app = TApplication::Instance())
        return app->Title();
    return QString();
}
} // namespace

namespace {
// QApplication keeps references to these for its whole life.
int s_argc = 1;
char* s_argv[2] = {nullptr, nullptr};
char** ProgramNameOnly(const char* programName) {
    s_argv[0] = const_cast<char*>(programName);
    return s_argv;
}
} // namespace

TApplication::TApplication(const char* programName)
    : QApplication(s_argc, ProgramNameOnly(programName)) {}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TApplication::~TApplication() = default;

QString TApplication::PhotoArgument(const QStringList& arguments) {
    if (arguments.size() < 2 || arguments.at(1).isEmpty())
        return {};
    return QFileInfo(arguments.at(1)).absoluteFilePath();
}

bool TApplication::LoadQtTranslations() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!qtTranslator_.load(QStringLiteral("qtbase_ja"), folder))
        return false;
    installTranslator(&qtTranslator_);
    return true;
}

void TApplication::SetMainForm(QWidget* form) {
    if (!mainForm_)
        mainForm_ = form;
}

TApplication* TApplication::Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

QString TApplication::ErrorText(const QString& message) {
    if (message.isEmpty() || message.back() <= QLatin1Char('.'))
        return message;
    // A Japanese sentence that has its own full stop ends there.
    if (message.back() == QChar(0x3002) || message.back() == QChar(0xFF0E))
        return message;
    return message + QLatin1Char('.');
}

void TApplication::SetErrorReporter(Reporter reporter) {
    CurrentReporter() = std::move(reporter);
}

void TApplication::ShowException(const std::exception& error) {
    ReportException(error);
}

void ReportException(const std::exception& error) {
    if (dynamic_cast<const EAbort*>(&error))
        return;
    const QString title = TitleOrDefault();
    const QString text = TApplication::ErrorText(QString::fromUtf8(error.what()));
    if (CurrentReporter()) {
        CurrentReporter()(title, text);
        return;
    }
    // Over the window and modal to it, as its file dialogs are; the desktop
    // would otherwise place a box without a parent anywhere on the screen.
    QWidget* owner = nullptr;
    if (auto* app = TApplication::Instance())
        owner = app->MainForm();
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, owner);
    if (owner)
        box.setWindowModality(Qt::WindowModal);
    box.exec();
}

void TApplication::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ReportException(error);
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // Last resort for a failure that escaped a handler without Guard.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportException(error);
        return true;
    }
}
