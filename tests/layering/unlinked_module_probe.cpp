// Built as report's own code: a public header of a module report does not link.
#include "session/test_session.h"
