#include "heidenhain/table_read_mode.h"

namespace heidenhain {
namespace {

thread_local bool backgroundReads = false;

}  // namespace

bool inBackgroundTableRead() { return backgroundReads; }

BackgroundTableReads::BackgroundTableReads() : previous_(backgroundReads) { backgroundReads = true; }

BackgroundTableReads::~BackgroundTableReads() { backgroundReads = previous_; }

}  // namespace heidenhain
