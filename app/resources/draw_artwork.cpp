// Draws the program's pictures: the window icon (16 and 32 pixels), the
// start-up splash and the About picture. Run it from this folder
// (QT_QPA_PLATFORM=offscreen ./orvelle_draw_artwork) to regenerate the PNGs.
#include <cmath>

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kNavy(0x14, 0x24, 0x3b);
const QColor kDeepBlue(0x1f, 0x4e, 0x79);
const QColor kTeal(0x3d, 0xd6, 0xc6);
const QColor kAmber(0xf2, 0xb1, 0x34);

void fillBackground(QPainter& p, const QRectF& r, qreal radius) {
  QLinearGradient gradient(r.topLeft(), r.bottomRight());
  gradient.setColorAt(0, kDeepBlue);
  gradient.setColorAt(1, kNavy);
  p.setPen(Qt::NoPen);
  p.setBrush(gradient);
  p.drawRoundedRect(r, radius, radius);
}

// A burst of speech: a carrier under a bell-shaped envelope, the same motif
// in every picture.
QPainterPath speechWave(const QRectF& r, int cycles) {
  QPainterPath path;
  const int steps = 400;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    const double envelope = std::exp(-std::pow((t - 0.5) / 0.22, 2.0));
    const double y = r.center().y() - envelope * std::sin(t * cycles * 2 * M_PI) * r.height() / 2;
    const QPointF point(r.left() + t * r.width(), y);
    if (i == 0) path.moveTo(point); else path.lineTo(point);
  }
  return path;
}

void drawWave(QPainter& p, const QRectF& r, int cycles, qreal width) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kTeal, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(speechWave(r, cycles));
}

QImage newImage(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void drawIcon(int size, const QString& file) {
  QImage image = newImage(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  fillBackground(p, QRectF(0, 0, size, size), size * 0.18);
  const qreal m = size * 0.14;
  drawWave(p, QRectF(m, m * 1.6, size - 2 * m, size - 3.2 * m), size >= 32 ? 4 : 3, size >= 32 ? 2.2 : 1.4);
  p.end();
  image.save(file);
}

void drawSplash(const QString& file) {
  const int w = 420, h = 130;
  QImage image = newImage(w, h);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  fillBackground(p, QRectF(0, 0, w, h), 10);
  drawWave(p, QRectF(18, 22, 150, 86), 6, 3);
  QFont title("DejaVu Sans", 30, QFont::Bold);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(180, 18, 230, 56), Qt::AlignLeft | Qt::AlignVCenter, "Orvelle");
  QFont subtitle("DejaVu Sans", 11);
  p.setFont(subtitle);
  p.setPen(kAmber);
  p.drawText(QRectF(182, 74, 230, 24), Qt::AlignLeft | Qt::AlignVCenter, "speech codec quality");
  p.end();
  image.save(file);
}

void drawAbout(const QString& file) {
  const int w = 198, h = 210;
  QImage image = newImage(w, h);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  fillBackground(p, QRectF(0, 0, w, h), 12);
  drawWave(p, QRectF(16, 40, w - 32, 90), 5, 3);
  p.setPen(QPen(kAmber, 2));
  p.drawLine(QPointF(24, 160), QPointF(w - 24, 160));
  QFont caption("DejaVu Sans", 12, QFont::Bold);
  p.setFont(caption);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 166, w, 30), Qt::AlignCenter, "Orvelle");
  p.end();
  image.save(file);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  drawIcon(16, "icon-16.png");
  drawIcon(32, "icon-32.png");
  drawSplash("splash.png");
  drawAbout("about.png");
  return 0;
}
