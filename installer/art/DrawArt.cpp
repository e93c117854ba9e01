// Draws the installer's artwork (banner, button glyphs, program icon) into PNG files in the
// folder given on the command line. The files are kept in the source tree; run this again
// (scripts/draw-art) only to change them.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>

namespace {

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

// A glyph in a flat grey, for a control that is disabled.
QImage Greyed(const QImage& glyph) {
  QImage grey = glyph.copy();
  for (int y = 0; y < grey.height(); ++y) {
    for (int x = 0; x < grey.width(); ++x) {
      const QColor c = grey.pixelColor(x, y);
      if (c.alpha() > 0) {
        grey.setPixelColor(x, y, QColor(128, 128, 128, c.alpha()));
      }
    }
  }
  return grey;
}

QImage Banner() {
  QImage image(450, 112, QImage::Format_RGB888);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 112);
  sky.setColorAt(0, QColor(8, 24, 16));
  sky.setColorAt(1, QColor(20, 72, 40));
  p.fillRect(image.rect(), sky);
  // Crystals along the bottom edge.
  p.setPen(Qt::NoPen);
  const int crystals[][3] = {
      {30, 30, 14}, {70, 45, 10}, {360, 38, 12}, {400, 52, 16}, {430, 28, 9}};
  for (const auto& c : crystals) {
    QPolygonF shard;
    shard << QPointF(c[0] - c[2], 112) << QPointF(c[0], 112 - c[1]) << QPointF(c[0] + c[2], 112);
    p.setBrush(QColor(90, 220, 110));
    p.drawPolygon(shard);
    QPolygonF light;
    light << QPointF(c[0] - c[2] / 3.0, 112) << QPointF(c[0], 112 - c[1]) << QPointF(c[0], 112);
    p.setBrush(QColor(170, 250, 170));
    p.drawPolygon(light);
  }
  QFont title("DejaVu Sans", 40, QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 150));
  p.drawText(QRect(3, 3, 450, 70), Qt::AlignCenter, "QUORIN");
  p.setPen(QColor(210, 255, 200));
  p.drawText(QRect(0, 0, 450, 70), Qt::AlignCenter, "QUORIN");
  QFont subtitle("DejaVu Sans", 12);
  p.setFont(subtitle);
  p.setPen(QColor(160, 220, 160));
  p.drawText(QRect(0, 62, 450, 24), Qt::AlignCenter, "Tiberian Sun Launcher");
  return image;
}

QImage Tick() {
  QImage image = Canvas(16, 16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF() << QPointF(2.5, 8.5) << QPointF(6.5, 12.5) << QPointF(13.5, 3.5));
  return image;
}

QImage Cross(const QColor& colour) {
  QImage image = Canvas(16, 16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
  p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
  return image;
}

QImage Abort() {
  QImage image = Canvas(16, 16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(192, 0, 0), 2));
  p.drawEllipse(QRectF(2, 2, 12, 12));
  p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
  return image;
}

QImage Next() {
  QImage image = Canvas(16, 16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 96, 192));
  p.drawPolygon(QPolygonF() << QPointF(2, 6) << QPointF(8, 6) << QPointF(8, 2) << QPointF(14, 8)
                            << QPointF(8, 14) << QPointF(8, 10) << QPointF(2, 10));
  return image;
}

QImage Browse() {
  QImage image = Canvas(16, 16);
  QPainter p(&image);
  p.setPen(QColor(128, 96, 0));
  p.setBrush(QColor(240, 200, 80));
  p.drawRect(1, 4, 13, 9);
  p.drawRect(1, 2, 5, 2);
  p.setBrush(QColor(255, 230, 140));
  p.drawPolygon(QPolygon() << QPoint(3, 7) << QPoint(15, 7) << QPoint(13, 13) << QPoint(1, 13));
  return image;
}

QImage Help() {
  QImage image = Canvas(16, 16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 64, 160));
  p.drawEllipse(QRectF(1, 1, 14, 14));
  QFont font("DejaVu Sans", 8, QFont::Bold);
  font.setPixelSize(11);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, "?");
  return image;
}

// The program's icon: 32 x 32 in a palette of 16 colours.
QImage Icon() {
  QImage image = Canvas(32, 32);
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 128, 0));
  p.drawPolygon(QPolygon() << QPoint(4, 30) << QPoint(12, 4) << QPoint(20, 30));
  p.setBrush(QColor(0, 255, 0));
  p.drawPolygon(QPolygon() << QPoint(9, 30) << QPoint(12, 4) << QPoint(12, 30));
  p.setBrush(QColor(0, 128, 0));
  p.drawPolygon(QPolygon() << QPoint(16, 30) << QPoint(23, 12) << QPoint(30, 30));
  p.setBrush(QColor(0, 255, 0));
  p.drawPolygon(QPolygon() << QPoint(20, 30) << QPoint(23, 12) << QPoint(23, 30));
  p.end();
  QList<QRgb> palette;
  for (QRgb rgb : {0xFF000000u, 0xFF800000u, 0xFF008000u, 0xFF808000u, 0xFF000080u, 0xFF800080u,
                   0xFF008080u, 0xFFC0C0C0u, 0xFF808080u, 0xFFFF0000u, 0xFF00FF00u, 0xFFFFFF00u,
                   0xFF0000FFu, 0xFFFF00FFu, 0xFF00FFFFu, 0x00FFFFFFu}) {
    palette.append(rgb);
  }
  return image.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const struct {
    const char* name;
    QImage image;
  } art[] = {
      {"banner.png", Banner()}, {"ok.png", Tick()},
      {"abort.png", Abort()},   {"cancel.png", Cross(QColor(192, 0, 0))},
      {"next.png", Next()},     {"next-disabled.png", Greyed(Next())},
      {"browse.png", Browse()}, {"browse-disabled.png", Greyed(Browse())},
      {"help.png", Help()},     {"icon.png", Icon()},
  };
  for (const auto& item : art) {
    if (!item.image.save(folder.filePath(item.name))) {
      std::fprintf(stderr, "cannot write %s\n", item.name);
      return 1;
    }
  }
  return 0;
}
