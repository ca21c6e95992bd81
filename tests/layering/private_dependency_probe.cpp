// Built as the session's own code: a public header of a module the measure
// links only privately.
#include "dsp/speech_activity_detector.h"
