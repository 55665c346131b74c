#include "host/service_mode.h"

#include <atomic>

namespace heidenhain {
namespace {
std::atomic<bool> serviceMode{true};
}  // namespace

bool isServiceMode() { return serviceMode.load(); }

void setServiceMode(bool value) { serviceMode.store(value); }

}  // namespace heidenhain
