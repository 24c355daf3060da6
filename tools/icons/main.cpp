// Draws the program's larger icons (the 16-pixel ones are drawn by hand): the list icons
// at 32 pixels and the program icon at 32, 48 and 64, into the folder given (res/icons).
// Build with `cmake --build build --target quorvane-icons`, run once, commit the PNGs.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(0x28, 0x28, 0x28);
const QColor kBlue(0x1e, 0x5c, 0xcc);
const QColor kNavy(0x1e, 0x3c, 0x9c);

// Straight edges on whole pixels: an outlined rectangle whose border is `w` pixels inside.
void Frame(QPainter& p, const QRect& r, int w, const QColor& fill, const QColor& ink = kInk) {
    p.fillRect(r, ink);
    p.fillRect(r.adjusted(w, w, -w, -w), fill);
}

void Page(QPainter& p, int s, bool fold) {
    const int w = s / 16;
    const QRect page(s * 3 / 16, s / 16, s * 10 / 16, s * 14 / 16);
    Frame(p, page, w, Qt::white);
    if (!fold) return;
    const int f = s * 3 / 16;  // the folded corner
    const QRect corner(page.right() - f + 1, page.top(), f, f);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(corner, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // The cut corner's two inner edges.
    p.fillRect(QRect(corner.left(), corner.top(), w, f), kInk);
    p.fillRect(QRect(corner.left(), corner.bottom() - w + 1, f, w), kInk);
}

void FileIcon(QPainter& p, int s) {
    Page(p, s, true);
    const int w = s / 16;
    for (int i = 0; i < 5; ++i)
        p.fillRect(QRect(s * 5 / 16, s * 5 / 16 + i * 2 * w, s * 6 / 16, w), kBlue);
}

void HtmlIcon(QPainter& p, int s) {
    Page(p, s, false);
    const double c = s / 2.0, r = s * 7 / 32.0;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x96, 0x3c));
    p.drawEllipse(QPointF(c, c), r, r);
    // Meridians and an equator make it a globe.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xe8, 0xf8, 0xe8), s / 32.0));
    p.drawEllipse(QPointF(c, c), r * 0.5, r - s / 64.0);
    p.drawLine(QPointF(c - r, c), QPointF(c + r, c));
}

void MessageIcon(QPainter& p, int s) {
    const int w = s / 16;
    const QRect env(s / 16, s * 4 / 16, s * 14 / 16, s * 9 / 16);
    Frame(p, env, w, QColor(0xf8, 0xf0, 0xc8));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    QPainterPath flap;
    flap.moveTo(env.left() + w, env.top() + w);
    flap.lineTo(env.center().x() + 0.5, env.top() + env.height() * 0.62);
    flap.lineTo(env.right() + 1 - w, env.top() + w);
    p.drawPath(flap);
}

void BulletinIcon(QPainter& p, int s) {
    const int w = s / 16;
    Frame(p, QRect(s * 2 / 16, s * 2 / 16, s * 12 / 16, s * 12 / 16), w, QColor(0xc0, 0x8c, 0x50));
    p.fillRect(QRect(s * 5 / 16, s * 5 / 16, s * 6 / 16, s * 7 / 16), Qt::white);
    p.fillRect(QRect(s * 7 / 16, s * 2 / 16, s * 2 / 16, s * 4 / 16), QColor(0xd4, 0x20, 0x20));
    for (int i = 0; i < 3; ++i)
        p.fillRect(QRect(s * 6 / 16, s * 13 / 32 + i * 2 * w, s * 4 / 16, w), kInk);
}

// Three windows, one in front of the other, each with a title bar.
void AppIcon(QPainter& p, int s) {
    const int w = s / 16, side = s * 10 / 16, step = s * 3 / 16;
    for (int i = 0; i < 3; ++i) {
        const QRect r(i * step, i * step, side, side);
        Frame(p, r, w, Qt::white, kNavy);
        p.fillRect(QRect(r.left(), r.top(), side, 2 * w), kNavy);
    }
}

bool Save(const QString& folder, const QString& name, int size,
          const std::function<void(QPainter&, int)>& draw) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, size);
    painter.end();
    const QString path = folder + QLatin1Char('/') + name;
    if (image.save(path)) return true;
    std::fprintf(stderr, "quorvane-icons: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-icons FOLDER (normally res/icons)\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = Save(folder, "list_file_32.png", 32, FileIcon);
    ok = Save(folder, "list_message_32.png", 32, MessageIcon) && ok;
    ok = Save(folder, "list_bulletin_32.png", 32, BulletinIcon) && ok;
    ok = Save(folder, "list_html_32.png", 32, HtmlIcon) && ok;
    for (int size : {32, 48, 64})
        ok = Save(folder, QStringLiteral("app_%1.png").arg(size), size, AppIcon) && ok;
    return ok ? 0 : 1;
}
