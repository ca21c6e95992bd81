#pragma once

#include <QApplication>

namespace orvelle {

// The desktop program's application object. Qt adopts the user's whole
// locale when it starts; this keeps all of it but the number format, so
// that the measurement log, the result boxes and the progress captions,
// which the engine formats with the C library, read alike on every machine
// and stay parseable by tools.
class OrvelleApplication : public QApplication {
 public:
  OrvelleApplication(int& argc, char** argv);
};

// Makes the C library format and read numbers with a decimal point,
// whatever the user's locale; character handling and messages stay the
// user's. Process-wide: every thread formats alike afterwards.
void formatNumbersWithAPoint();

}  // namespace orvelle
