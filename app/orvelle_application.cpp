#include "app/orvelle_application.h"

#include <clocale>

namespace orvelle {

OrvelleApplication::OrvelleApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // QApplication's constructor has just called setlocale(LC_ALL, ""); no
  // worker thread exists yet, so changing the process's locale is safe.
  formatNumbersWithAPoint();
}

void formatNumbersWithAPoint() { std::setlocale(LC_NUMERIC, "C"); }

}  // namespace orvelle
