#pragma once
// The crash helper's work in a fresh process of its own: the dump of the crashed process with every
// thread, and the frame lines of its call stack with symbols, both sent back to the crashed process.

// Runs the helper on the request on its channel; returns the helper's exit code: 0, or 2 with a
// line on standard error when it was not started by the crash filter. The crash filter's static
// initialiser calls it when the program was started as the helper.
int Velm_AbsturzHelfer();
