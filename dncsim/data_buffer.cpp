#include "dncsim/data_buffer.h"

#include <algorithm>

namespace dncsim {

DataBuffer::Slot& DataBuffer::slot(const std::string& path) {
    const auto found = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.path == path; });
    if (found != slots_.end()) return *found;
    slots_.push_back({path, dnc::Variant(), false});
    return slots_.back();
}

void DataBuffer::fetched(const std::string& path, dnc::Variant value) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& held = slot(path);
    held.value = std::move(value);
    held.staged = false;
}

void DataBuffer::stage(const std::string& path, dnc::Variant value) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& held = slot(path);
    // Staged again: it keeps its first place in the order of writing.
    held.value = std::move(value);
    held.staged = true;
}

std::optional<dnc::Variant> DataBuffer::value(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& held : slots_) {
        if (held.path == path) return held.value;
    }
    return std::nullopt;
}

std::vector<DataBuffer::Slot> DataBuffer::takeStaged(const std::function<bool(const std::string&)>& covered) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Slot> taken;
    for (auto& held : slots_) {
        if (!held.staged || !covered(held.path)) continue;
        taken.push_back(held);
        held.staged = false;
    }
    return taken;
}

}  // namespace dncsim
