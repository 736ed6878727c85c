#include "app/ui/Pictures.h"

#include <QBitmap>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <vector>

static void initPictureResources()
{
    // The resources live in a static library: naming them here links them in.
    Q_INIT_RESOURCE(resources);
}

namespace tv {

namespace {

enum class Kind { ListIcon, Plain, MaskedIcon };

std::vector<QPixmap**>& pictureSlots()
{
    static auto* all = new std::vector<QPixmap**>;
    return *all;
}

// Pictures must go while the application object still exists.
void releasePictures()
{
    for (QPixmap** slot : pictureSlots()) {
        delete *slot;
        *slot = nullptr;
    }
}

QPixmap readPicture(int number)
{
    static bool initialised = [] {
        initPictureResources();
        qAddPostRoutine(releasePictures);
        return true;
    }();
    (void)initialised;
    QPixmap pix(QStringLiteral(":/pictures/%1.png").arg(number));
    if (pix.isNull()) {
        // A missing picture shows as an empty one of icon size, never as
        // nothing at all.
        pix = QPixmap(16, 16);
        pix.fill(Qt::transparent);
    }
    return pix;
}

const QPixmap& picture(QPixmap*& slot, int number, Kind kind, const QPixmap& (*mask)() = nullptr)
{
    if (slot)
        return *slot;
    QPixmap pix = readPicture(number);
    switch (kind) {
    case Kind::ListIcon:
        pix.setMask(pix.createMaskFromColor(Qt::white, Qt::MaskInColor));
        break;
    case Kind::MaskedIcon:
        if (mask) {
            const QPixmap& m = mask();
            if (!m.isNull()) {
                // Black in the mask picture is opaque, white transparent.
                QImage image = pix.toImage().convertToFormat(QImage::Format_ARGB32);
                QImage maskImage = m.toImage().convertToFormat(QImage::Format_RGB32);
                int w = std::min(image.width(), maskImage.width());
                int h = std::min(image.height(), maskImage.height());
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        if (qGray(maskImage.pixel(x, y)) > 127)
                            image.setPixel(x, y, qRgba(0, 0, 0, 0));
                pix = QPixmap::fromImage(image);
            }
        }
        break;
    case Kind::Plain:
        break;
    }
    slot = new QPixmap(pix);
    pictureSlots().push_back(&slot);
    return *slot;
}

} // namespace

#define TV_PICTURE(name, number, kind, mask)                                                                 \
    const QPixmap& name()                                                                                    \
    {                                                                                                        \
        static QPixmap* slot = nullptr;                                                                      \
        return picture(slot, number, kind, mask);                                                            \
    }

TV_PICTURE(dictIcon, 168, Kind::ListIcon, nullptr)
TV_PICTURE(folder, 169, Kind::ListIcon, nullptr)
TV_PICTURE(proofwait, 171, Kind::ListIcon, nullptr)
TV_PICTURE(title1, 172, Kind::Plain, nullptr)
TV_PICTURE(stb_info_mask, 174, Kind::Plain, nullptr)
TV_PICTURE(stb_info, 173, Kind::MaskedIcon, &stb_info_mask)
TV_PICTURE(documentopen_mask, 175, Kind::Plain, nullptr)
TV_PICTURE(documentopen, 176, Kind::MaskedIcon, &documentopen_mask)
TV_PICTURE(documentsave_mask, 177, Kind::Plain, nullptr)
TV_PICTURE(documentsave, 178, Kind::MaskedIcon, &documentsave_mask)
TV_PICTURE(preferencesdesktopfont_mask, 179, Kind::Plain, nullptr)
TV_PICTURE(preferencesdesktopfont, 180, Kind::MaskedIcon, &preferencesdesktopfont_mask)
TV_PICTURE(editfindreplace_mask, 181, Kind::Plain, nullptr)
TV_PICTURE(editfindreplace, 182, Kind::MaskedIcon, &editfindreplace_mask)

#undef TV_PICTURE

} // namespace tv
