#pragma once

namespace setup {

// The whole run: log preparation, environment start-up, the windows and the event loop, then
// shut-down in reverse order. Returns the process exit code.
int run(int argc, char **argv);

} // namespace setup
