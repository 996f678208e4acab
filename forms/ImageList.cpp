// SPDX-License-Identifier: MIT
#include "ImageList.h"

#include <QGuiApplication>

Picture Picture::embedded(QString stem) {
    Picture picture;
    picture.stem_ = std::move(stem);
    return picture;
}

const QPixmap& Picture::pixmap() const {
    if (!decoded_) {
        decoded_ = true;
        if (!stem_.isEmpty())
            pixmap_ = ImageList::load(stem_);
    }
    return pixmap_;
}

ImageList::ImageList(const QString& stem, int count) {
    for (int n = 1; n <= count; ++n)
        images_.push_back(
            std::make_unique<Picture>(Picture::embedded(stem + QLatin1Char('_') + QString::number(n))));
}

ImageList::ImageList(const QStringList& stems) {
    for (const QString& stem : stems)
        images_.push_back(std::make_unique<Picture>(Picture::embedded(stem)));
}

const Picture* ImageList::image(int n) const {
    if (n < 1 || n > count())
        return nullptr;
    return images_[static_cast<size_t>(n - 1)].get();
}

void ImageList::decodeAll() const {
    for (const auto& picture : images_)
        picture->pixmap();
}

QPixmap ImageList::load(const QString& stem) {
    const bool hiDpi = qGuiApp && qGuiApp->devicePixelRatio() > 1.0;
    if (hiDpi) {
        QPixmap pm(QStringLiteral(":/img/%1@2x.png").arg(stem));
        if (!pm.isNull()) {
            pm.setDevicePixelRatio(2.0);
            return pm;
        }
    }
    return QPixmap(QStringLiteral(":/img/%1.png").arg(stem));
}
