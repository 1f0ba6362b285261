#include "FontSubstitutes.h"
#include "TApplication.h"
#include "TForm1.h"

int main(int, char** argv) {
    TApplication application(argv[0]);
    application.SetTitle(QStringLiteral("Tolvane"));
    application.LoadQtTranslations();
    // Lets the desktop match the window to its installed entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tolvane.Tolvane"));
    RegisterFontSubstitutes();
    TForm1 form;
    form.show();
    return application.exec();
}
