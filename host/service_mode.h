#pragma once

namespace heidenhain {

// Whether the process runs under the service manager. True from start until
// the start step has decided the mode: until then nothing may assume that a
// console is watching.
bool isServiceMode();
void setServiceMode(bool serviceMode);

}  // namespace heidenhain
