#include "TFont.h"
#include "SavePhoto.h"
#include "TApplication.h"
#include "TForm1.h"

#include <QMetaObject>

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("Tolvane"));
    application.LoadQtTranslations();
    // Lets the desktop match the window to its installed entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tolvane.Tolvane"));
    RegisterFontSubstitutes();
    TForm1 form;
    form.show();
    // Saves in place that an earlier run left unfinished are settled first,
    // the photo handed over below may be one of them.
    QMetaObject::invokeMethod(&form, [] { SettleInterruptedSaves(); }, Qt::QueuedConnection);
    // A photo handed over by the desktop ("Open With") opens once the window
    // is up, as a dropped one does.
    if (const QString photo = application.PhotoArgument(); !photo.isEmpty())
        QMetaObject::invokeMethod(
            &form, [&form, photo] { form.OpenStartPhoto(photo); }, Qt::QueuedConnection);
    return application.exec();
}
