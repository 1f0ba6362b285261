#pragma once
#include <QApplication>
#include <QString>
#include <QTranslator>
#include <exception>
#include <functional>

// The application object: its title, message servicing and the standard
// error report for failures that no handler caught.
class TApplication : public QApplication {
    Q_OBJECT

public:
    // The command line is not read: Qt sees the program name only.
    explicit TApplication(const char* programName);
    ~TApplication() override;

    static TApplication* Instance();

    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

    // Loads Qt's own Japanese texts (file dialogs, message box buttons,
    // context menus) from Qt's translations folder. False when they are not
    // installed; Qt's English texts stay then.
    bool LoadQtTranslations();

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
    QTranslator qtTranslator_;
};

// Reports a failure through the running application, or the reporter alone
// when there is no TApplication (as in some tests).
void ReportException(const std::exception& error);
