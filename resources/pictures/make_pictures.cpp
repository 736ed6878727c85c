// Draws the program's pictures into PNG files, numbered as the program reads
// them. The PNG files are kept beside this source and compiled into the
// program; run this only to draw them anew:
//   cmake --build <build> --target make_pictures
//   QT_QPA_PLATFORM=offscreen <build>/resources/make_pictures <this folder>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

QImage canvas(int w, int h, QColor fill)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

void paint(QImage& img, const Draw& draw)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
}

bool save(const QImage& img, const QString& dir, int number)
{
    QString path = dir + QStringLiteral("/%1.png").arg(number);
    if (!img.convertToFormat(QImage::Format_RGB32).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// A list icon: drawn on white, which the program takes as transparent.
bool listIcon(const QString& dir, int number, const Draw& draw)
{
    QImage img = canvas(16, 16, Qt::white);
    paint(img, draw);
    return save(img, dir, number);
}

// A toolbar icon and its mask: black where the icon is opaque.
bool maskedIcon(const QString& dir, int number, int maskNumber, const Draw& draw)
{
    QImage shape = canvas(32, 32, Qt::transparent);
    paint(shape, draw);
    QImage icon = canvas(32, 32, Qt::white);
    {
        QPainter p(&icon);
        p.drawImage(0, 0, shape);
    }
    QImage mask = canvas(32, 32, Qt::white);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(shape.pixel(x, y)) > 96)
                mask.setPixel(x, y, qRgb(0, 0, 0));
    return save(icon, dir, number) && save(mask, dir, maskNumber);
}

void page(QPainter& p, QRectF r)
{
    QPainterPath path;
    qreal fold = r.width() / 3;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void folderShape(QPainter& p, QRectF r, QColor body)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top() + r.height() * 0.2);
    path.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.2);
    path.lineTo(r.left() + r.width() * 0.45, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(body.darker(160), 1));
    p.setBrush(body);
    p.drawPath(path);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_pictures <folder>\n");
        return 2;
    }
    QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    bool ok = true;

    // 168: a dictionary, a closed book.
    ok &= listIcon(dir, 168, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 236, 220));
        p.drawRect(QRectF(4, 2, 10, 12));
        p.setBrush(QColor(40, 70, 150));
        p.drawRoundedRect(QRectF(2, 1, 10, 13), 1.5, 1.5);
        p.setBrush(QColor(20, 40, 100));
        p.drawRect(QRectF(2, 1, 2, 13));
        p.setPen(QPen(QColor(230, 200, 90), 1));
        p.drawLine(QPointF(6, 5), QPointF(10, 5));
        p.drawLine(QPointF(6, 7), QPointF(10, 7));
    });
    // 169: a folder.
    ok &= listIcon(dir, 169, [](QPainter& p) { folderShape(p, QRectF(1.5, 3.5, 13, 10), QColor(240, 190, 60)); });
    // 171: a file waiting to be proofread: a page with a red mark.
    ok &= listIcon(dir, 171, [](QPainter& p) {
        page(p, QRectF(3.5, 1.5, 9, 13));
        p.setPen(QPen(QColor(120, 120, 120), 1));
        p.drawLine(QPointF(5, 6), QPointF(10, 6));
        p.drawLine(QPointF(5, 8), QPointF(10, 8));
        p.setPen(QPen(QColor(210, 30, 30), 1.5));
        p.drawLine(QPointF(5, 11.5), QPointF(7, 13));
        p.drawLine(QPointF(7, 13), QPointF(12, 9));
    });

    // 172: the about box's title picture; its lower right part stays quiet for
    // the version line and the link drawn over it.
    {
        QImage img = canvas(296, 134, Qt::white);
        paint(img, [](QPainter& p) {
            QLinearGradient g(0, 0, 0, 134);
            g.setColorAt(0, QColor(232, 240, 252));
            g.setColorAt(1, QColor(255, 255, 255));
            p.fillRect(QRect(0, 0, 296, 134), g);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 40, 40));
            p.drawEllipse(QRectF(18, 18, 64, 64));
            p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(34, 52), QPointF(46, 64));
            p.drawLine(QPointF(46, 64), QPointF(68, 36));
            QFont title(QStringLiteral("Sans Serif"));
            title.setPixelSize(44);
            title.setBold(true);
            p.setFont(title);
            p.setPen(QColor(30, 50, 110));
            p.drawText(QRectF(96, 14, 196, 54), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tesvora"));
            QFont sub(QStringLiteral("Sans Serif"));
            sub.setPixelSize(12);
            p.setFont(sub);
            p.setPen(QColor(90, 100, 130));
            p.drawText(QRectF(98, 64, 196, 18), Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("Japanese proofreading by rule"));
            p.setPen(QPen(QColor(200, 40, 40), 2));
            p.drawLine(QPointF(98, 86), QPointF(280, 86));
        });
        ok &= save(img, dir, 172);
    }

    // 173 and 174: the result notice, an "i" in a circle.
    ok &= maskedIcon(dir, 173, 174, [](QPainter& p) {
        p.setPen(QPen(QColor(20, 60, 140), 1.5));
        p.setBrush(QColor(60, 120, 210));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(14, 7, 4.5, 4.5));
        p.drawRoundedRect(QRectF(14, 13.5, 4.5, 12), 1.5, 1.5);
    });
    // 176 and 175: the input filter, an opening folder.
    ok &= maskedIcon(dir, 176, 175, [](QPainter& p) {
        folderShape(p, QRectF(2.5, 6.5, 25, 20), QColor(225, 170, 50));
        QPainterPath lid;
        lid.moveTo(7, 13.5);
        lid.lineTo(30, 13.5);
        lid.lineTo(25.5, 26.5);
        lid.lineTo(2.5, 26.5);
        lid.closeSubpath();
        p.setPen(QPen(QColor(150, 100, 20), 1));
        p.setBrush(QColor(250, 210, 100));
        p.drawPath(lid);
    });
    // 178 and 177: saving, a disk.
    ok &= maskedIcon(dir, 178, 177, [](QPainter& p) {
        p.setPen(QPen(QColor(30, 40, 70), 1.5));
        p.setBrush(QColor(60, 80, 140));
        p.drawRoundedRect(QRectF(3, 3, 26, 26), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(235, 235, 240));
        p.drawRect(QRectF(8, 4, 16, 10));
        p.setBrush(QColor(60, 80, 140));
        p.drawRect(QRectF(18, 5.5, 3.5, 7));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(7, 18, 18, 10));
        p.setPen(QPen(QColor(150, 150, 160), 1));
        p.drawLine(QPointF(9, 21.5), QPointF(23, 21.5));
        p.drawLine(QPointF(9, 24.5), QPointF(23, 24.5));
    });
    // 180 and 179: fonts, a large and a small letter.
    ok &= maskedIcon(dir, 180, 179, [](QPainter& p) {
        QFont big(QStringLiteral("Serif"));
        big.setPixelSize(28);
        big.setBold(true);
        p.setFont(big);
        p.setPen(QColor(40, 40, 60));
        p.drawText(QRectF(0, 0, 22, 32), Qt::AlignCenter, QStringLiteral("A"));
        QFont small(QStringLiteral("Sans Serif"));
        small.setPixelSize(17);
        small.setBold(true);
        p.setFont(small);
        p.setPen(QColor(200, 40, 40));
        p.drawText(QRectF(16, 10, 16, 22), Qt::AlignCenter, QStringLiteral("a"));
    });
    // 182 and 181: searching and replacing, a magnifier over a page.
    ok &= maskedIcon(dir, 182, 181, [](QPainter& p) {
        page(p, QRectF(3.5, 2.5, 18, 24));
        p.setPen(QPen(QColor(140, 140, 140), 1.5));
        for (int y = 10; y <= 20; y += 4)
            p.drawLine(QPointF(7, y), QPointF(17, y));
        p.setPen(QPen(QColor(60, 60, 60), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24, 24), QPointF(29.5, 29.5));
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.setBrush(QColor(200, 225, 250, 230));
        p.drawEllipse(QRectF(13, 13, 13, 13));
    });

    return ok ? 0 : 1;
}
