#pragma once

#include <QSvgWidget>

namespace orvelle {

// A chart drawn from SVG that grows with its window and keeps the
// proportions it was drawn in; never smaller than drawn.
class ChartWidget : public QSvgWidget {
  Q_OBJECT
 public:
  ChartWidget(const QByteArray& svg, QWidget* parent = nullptr);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;

 private:
  QSize drawn_;
};

}  // namespace orvelle
