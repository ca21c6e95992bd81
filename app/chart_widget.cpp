#include "app/chart_widget.h"

#include <QSvgRenderer>

namespace orvelle {

ChartWidget::ChartWidget(const QByteArray& svg, QWidget* parent) : QSvgWidget(parent) {
  load(svg);
  drawn_ = renderer()->defaultSize();
  setMinimumSize(drawn_);
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

int ChartWidget::heightForWidth(int width) const {
  if (drawn_.width() <= 0) return drawn_.height();
  return static_cast<int>(static_cast<qint64>(width) * drawn_.height() / drawn_.width());
}

QSize ChartWidget::sizeHint() const { return drawn_; }

}  // namespace orvelle
