// Draws the application icon: writes it as SVG and as PNG files of the given sizes.
//   orvik_icon_painter OUT_DIR SIZE...
// One list of shapes makes both, so the pictures always agree.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Shape {
    std::vector<QPointF> points;  // a polygon; two points make a rectangle (corners)
    qreal radius;                 // rounded corners of a rectangle
    QRgb fill;
    qreal stroke;                 // 0: no outline
};

const QRgb kOutline = qRgb(40, 40, 40);

// A PMD 85 with its monitor, on a 64 x 64 grid.
const std::vector<Shape> kShapes = {
    {{{8.5, 4.5}, {55.5, 40.5}}, 3, qRgb(90, 90, 100), 2},      // monitor case
    {{{13.5, 9.5}, {50.5, 35.5}}, 1.5, qRgb(16, 24, 16), 1},    // screen
    {{{17, 13}, {35, 16}}, 0, qRgb(64, 208, 64), 0},             // lines of text
    {{{17, 19}, {43, 22}}, 0, qRgb(64, 208, 64), 0},
    {{{17, 25}, {29, 28}}, 0, qRgb(64, 208, 64), 0},
    {{{31, 25}, {35, 31}}, 0, qRgb(176, 240, 176), 0},           // cursor
    {{{27.5, 40.5}, {36.5, 45.5}}, 0, qRgb(90, 90, 100), 1},    // stand
    {{{4.5, 59.5}, {9.5, 45.5}, {54.5, 45.5}, {59.5, 59.5}}, 0, qRgb(230, 230, 230), 2},  // keyboard
    {{{12, 49}, {52, 51.5}}, 0, qRgb(48, 48, 56), 0},            // rows of keys
    {{{10.5, 53.5}, {53.5, 56}}, 0, qRgb(48, 48, 56), 0},
    {{{46, 48}, {50, 50}}, 0, qRgb(192, 48, 48), 0},             // the red and orange keys
    {{{14, 48}, {18, 50}}, 0, qRgb(208, 128, 32), 0},
};

std::string Hex(QRgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", qRed(c), qGreen(c), qBlue(c));
    return buf;
}

std::string Svg() {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n";
    for (const Shape& sh : kShapes) {
        std::string paint = "fill=\"" + Hex(sh.fill) + "\"";
        if (sh.stroke > 0)
            paint += " stroke=\"" + Hex(kOutline) + "\" stroke-width=\"" + std::to_string(int(sh.stroke)) +
                     "\" stroke-linejoin=\"round\"";
        char buf[256];
        if (sh.points.size() == 2) {
            const QRectF r(sh.points[0], sh.points[1]);
            std::snprintf(buf, sizeof buf, "  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"%g\" ", r.x(), r.y(),
                          r.width(), r.height(), sh.radius);
            s += buf + paint + "/>\n";
        } else {
            s += "  <path d=\"";
            for (size_t i = 0; i < sh.points.size(); ++i) {
                std::snprintf(buf, sizeof buf, "%s %g %g ", i == 0 ? "M" : "L", sh.points[i].x(), sh.points[i].y());
                s += buf;
            }
            s += "Z\" " + paint + "/>\n";
        }
    }
    return s + "</svg>\n";
}

QImage Png(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    for (const Shape& sh : kShapes) {
        p.setBrush(QColor(sh.fill));
        if (sh.stroke > 0) {
            QPen pen{QColor(kOutline), sh.stroke};
            pen.setJoinStyle(Qt::RoundJoin);
            p.setPen(pen);
        } else {
            p.setPen(Qt::NoPen);
        }
        if (sh.points.size() == 2)
            p.drawRoundedRect(QRectF(sh.points[0], sh.points[1]), sh.radius, sh.radius);
        else
            p.drawPolygon(QPolygonF(QList<QPointF>(sh.points.begin(), sh.points.end())));
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR SIZE...\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    const std::string name = "io.github.orvik.Orvik";
    FILE* f = std::fopen((out + "/" + name + ".svg").c_str(), "wb");
    const std::string svg = Svg();
    if (!f || std::fwrite(svg.data(), 1, svg.size(), f) != svg.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s/%s.svg\n", out.c_str(), name.c_str());
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const std::string path = out + "/" + std::to_string(size) + "/" + name + ".png";
        if (size <= 0 || !Png(size).save(QString::fromStdString(path), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
