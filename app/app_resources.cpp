#include "app/app_resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerOrvelleResources() { Q_INIT_RESOURCE(orvelle); }

namespace orvelle {

void loadAppResources() {
  static const bool registered = [] {
    registerOrvelleResources();
    return true;
  }();
  (void)registered;
}

}  // namespace orvelle
