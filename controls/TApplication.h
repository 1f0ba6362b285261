#pragma once
#include <QApplication>
#include <QPointer>
#include <QString>
#include <QTranslator>
#include <QWidget>
#include <exception>
#include <functional>

// The application object: its title, message servicing and the standard
// error report for failures that no handler caught.
class TApplication : public QApplication {
    Q_OBJECT

public:
    // Qt sees the program name only (tests, benchmarks).
    explicit TApplication(const char* programName);
    // Qt takes its own options (-platform, -display, ...) out of the command
    // line; what remains is the program's (PhotoArgument). argc and argv must
    // outlive the application.
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    static TApplication* Instance();

    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

    // The first argument left after Qt's own options: a photo to open at
    // start, as an absolute path (its folder is remembered). Empty when there
    // is none; any further arguments are ignored.
    QString PhotoArgument() const { return PhotoArgument(arguments()); }
    static QString PhotoArgument(const QStringList& arguments);

    // Loads Qt's own Japanese texts (file dialogs, message box buttons,
    // context menus) from Qt's translations folder. False when they are not
    // installed; Qt's English texts stay then.
    bool LoadQtTranslations();

    // The window that message boxes belong to: the first one to ask becomes
    // it, as the first window created is the program's main window.
    QWidget* MainForm() const { return mainForm_; }
    void SetMainForm(QWidget* form);

    // Handles all pending window messages, then returns.
    static void ProcessMessages();

    // The message box captioned with the title, error icon, OK. An abort is
    // not reported.
    void ShowException(const std::exception& error);

    // The text shown: the message, with "." appended when its last
    // character sorts after ".".
    static QString ErrorText(const QString& message);

    // Replaces the message box (tests record instead); nullptr restores it.
    using Reporter = std::function<void(const QString& title, const QString& text)>;
    static void SetErrorReporter(Reporter reporter);

    // Runs a handler body; a failure it lets escape goes to the error report
    // and the program goes on.
    static void Guard(const std::function<void()>& handler);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QString title_;
    QPointer<QWidget> mainForm_;
    QTranslator qtTranslator_;
};

// Reports a failure through the running application, or the reporter alone
// when there is no TApplication (as in some tests). The box is a child of the
// main window, opens over it and is modal to it.
void ReportException(const std::exception& error);
