#include "TFont.h"

#include "Rounding.h"

#include <QString>
#include <QStringList>
#include <algorithm>

int TFont::PixelHeight() const { return Round(Size * 96.0L / 72.0L); }

void RegisterFontSubstitutes() {
    static const bool registered = [] {
        const struct {
            const char* windowsFace;
            QStringList installed;
        } table[] = {
            {"ＭＳ Ｐゴシック", {QStringLiteral("IPAPGothic")}},
            {"ＭＳ ゴシック", {QStringLiteral("IPAGothic")}},
            {"ＭＳ Ｐ明朝", {QStringLiteral("IPAPMincho")}},
            {"ＭＳ 明朝", {QStringLiteral("IPAMincho")}},
            {"MS Sans Serif",
             {QStringLiteral("DejaVu Sans"), QStringLiteral("Nimbus Sans"), QStringLiteral("IPAPGothic")}},
        };
        for (const auto& entry : table)
            QFont::insertSubstitutions(QString::fromUtf8(entry.windowsFace), entry.installed);
        return true;
    }();
    (void)registered;
}

QFont ToQFont(const TFont& font) {
    RegisterFontSubstitutes();
    QFont result(QString::fromStdString(font.Name));
    result.setPixelSize(std::max(1, font.PixelHeight()));
    result.setBold(font.Bold);
    result.setStyleStrategy(QFont::NoAntialias);
    return result;
}
