// The world the harnesses that reach the shell namespace run in: a home folder of their
// own inside the scratch folder, and a fixed mount table. Without the latter every path
// the namespace parses would read /proc/self/mountinfo again, and the harness would
// measure the machine's mounts instead of its input. Once per run.
#pragma once

namespace fuzz {

void UseStandInSystem();

} // namespace fuzz
