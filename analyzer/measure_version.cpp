#include "analyzer/measure_version.h"

namespace orvelle {

const char* programVersion() { return ORVELLE_VERSION; }

}  // namespace orvelle
