#pragma once

namespace orvelle::platform {

// Splits a helper program started by ChildProcess in two, before it runs any
// code it cannot trust: the worker returns from this call and goes on; the
// warden stays behind and never returns. False, in the one process there
// still is, if the split could not be made.
//
// The warden runs none of the worker's code. It passes the worker's stdout
// and stderr on to its own stderr, and is the subreaper of everything the
// worker starts. When the worker ends, when the lifeline
// (ChildProcess::kLifelineFd) closes, or when it is told to end (SIGTERM,
// SIGINT, SIGHUP), it kills the worker and every process descended from it,
// those that left its process group or session too, stops passing output
// on, and ends as the worker ended (its exit status, or its signal), so that
// whoever started it learns how the worker ended. The channel
// (ChildProcess::kChannelFd) stays the worker's alone, and the worker dies
// with the warden.
bool splitOffWarden();

}  // namespace orvelle::platform
