#include "DensePictures.h"

#include <QFileInfo>
#include <QPixmap>

namespace {
QString DoubleDensityName(const QString& resource) {
    const int dot = resource.lastIndexOf(QLatin1Char('.'));
    if (dot <= resource.lastIndexOf(QLatin1Char('/')))
        return resource + QStringLiteral("@2x");
    return resource.left(dot) + QStringLiteral("@2x") + resource.mid(dot);
}
} // namespace

QImage DoubleDensityPicture(const QString& resource) {
    const QString name = DoubleDensityName(resource);
    if (resource.isEmpty() || !QFileInfo::exists(name))
        return {};
    QImage image(name);
    image.setDevicePixelRatio(2.0);
    return image;
}

QIcon GlyphIcon(const QString& resource) {
    const QPixmap pixmap(resource);
    QIcon icon(pixmap);
    const QImage dense = DoubleDensityPicture(resource);
    if (!dense.isNull())
        icon.addPixmap(QPixmap::fromImage(dense));
    return icon;
}
