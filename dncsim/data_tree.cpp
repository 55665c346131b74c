#include "dncsim/data_tree.h"

#include <algorithm>
#include <utility>

namespace dncsim {
namespace {

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c != '\\') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(std::move(part));
            part.clear();
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

}  // namespace

struct DataTree::Node {
    std::string name;
    dnc::Variant value;
    bool readOnly = false;
    std::vector<std::unique_ptr<Node>> children;

    Node* child(const std::string& childName) const {
        for (const auto& c : children) {
            if (c->name == childName) return c.get();
        }
        return nullptr;
    }
    std::unique_ptr<Node> copy() const {
        auto made = std::make_unique<Node>();
        made->name = name;
        made->value = value;
        made->readOnly = readOnly;
        for (const auto& c : children) made->children.push_back(c->copy());
        return made;
    }
};

DataTree::DataTree() : root_(std::make_unique<Node>()) {}
DataTree::~DataTree() = default;

std::string DataTree::canonical(const std::string& path) {
    std::string result;
    for (const auto& part : split(path)) result += "\\" + part;
    return result.empty() ? "\\" : result;
}

bool DataTree::covers(const std::string& root, const std::string& path) {
    if (root == "\\" || root == path) return true;
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '\\';
}

DataTree::Node* DataTree::find(const std::string& path) const {
    Node* node = root_.get();
    for (const auto& part : split(path)) {
        node = node->child(part);
        if (node == nullptr) return nullptr;
    }
    return node;
}

void DataTree::add(const std::string& path, dnc::Variant value, bool readOnly) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = root_.get();
    for (const auto& part : split(path)) {
        Node* next = node->child(part);
        if (next == nullptr) {
            node->children.push_back(std::make_unique<Node>());
            next = node->children.back().get();
            next->name = part;
        }
        node = next;
    }
    node->value = std::move(value);
    node->readOnly = readOnly;
}

bool DataTree::exists(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return find(path) != nullptr;
}

dnc::HRESULT DataTree::read(const std::string& path, dnc::Variant* value) const {
    if (value == nullptr) return dnc::kPointer;
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = find(path);
    if (node == nullptr) return dnc::kBadParameter;
    *value = node->value;
    return dnc::kOk;
}

dnc::HRESULT DataTree::readOnly(const std::string& path, bool* readOnly) const {
    if (readOnly == nullptr) return dnc::kPointer;
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = find(path);
    if (node == nullptr) return dnc::kBadParameter;
    *readOnly = node->readOnly;
    return dnc::kOk;
}

dnc::HRESULT DataTree::children(const std::string& path, std::vector<std::string>* names) const {
    if (names == nullptr) return dnc::kPointer;
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = find(path);
    if (node == nullptr) return dnc::kBadParameter;
    names->clear();
    for (const auto& c : node->children) names->push_back(c->name);
    return dnc::kOk;
}

dnc::HRESULT DataTree::write(const std::string& path, dnc::Variant value, bool control) {
    std::vector<std::shared_ptr<Listener>> told;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Node* node = find(path);
        if (node == nullptr) return dnc::kBadParameter;
        if (node->readOnly && !control) return kProtectedData;
        node->value = std::move(value);
        listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                        [](const std::weak_ptr<Listener>& l) { return l.expired(); }),
                         listeners_.end());
        for (const auto& weak : listeners_) {
            if (auto listener = weak.lock()) told.push_back(std::move(listener));
        }
    }
    // Outside the lock: a listener may read the tree.
    const auto changedPath = canonical(path);
    for (const auto& listener : told) listener->changed(changedPath);
    return dnc::kOk;
}

std::shared_ptr<DataTree> DataTree::snapshot(const std::string& path) const {
    auto copy = std::make_shared<DataTree>();
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* source = root_.get();
    Node* target = copy->root_.get();
    for (const auto& part : split(path)) {
        source = source->child(part);
        if (source == nullptr) return copy;
        target->children.push_back(std::make_unique<Node>());
        target = target->children.back().get();
        target->name = part;
    }
    target->value = source->value;
    target->readOnly = source->readOnly;
    for (const auto& c : source->children) target->children.push_back(c->copy());
    return copy;
}

void DataTree::listen(std::weak_ptr<Listener> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.push_back(std::move(listener));
}

}  // namespace dncsim
