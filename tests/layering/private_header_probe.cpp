// Built as report's own code: an internal stage of the measure it links.
#include "analyzer/spectrum_accumulator.h"
