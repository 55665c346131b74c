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

DataTree::DataTree() : root_(std::make_shared<Node>()) {}
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

DataTree::Node* DataTree::ownRoot() {
    if (shared_) {
        root_ = root_->copy();
        shared_ = false;
    }
    return root_.get();
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
    Node* node = ownRoot();
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
        ownRoot();
        Node* node = find(path);
        if (node == nullptr) return dnc::kBadParameter;
        if (node->readOnly && !control) return kProtectedData;
        node->value = std::move(value);
        told = listenersLocked();
    }
    tell(told, canonical(path));
    return dnc::kOk;
}

dnc::HRESULT DataTree::insert(const std::string& parent, const std::string& name, const std::vector<Leaf>& leaves) {
    std::vector<std::shared_ptr<Listener>> told;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ownRoot();
        Node* node = find(parent);
        if (node == nullptr) return dnc::kBadParameter;
        if (node->child(name) != nullptr) return kInsertFailed;
        auto made = std::make_unique<Node>();
        made->name = name;
        for (const auto& [leafName, value] : leaves) {
            made->children.push_back(std::make_unique<Node>());
            made->children.back()->name = leafName;
            made->children.back()->value = value;
        }
        node->children.push_back(std::move(made));
        told = listenersLocked();
    }
    tell(told, canonical(parent + "\\" + name));
    return dnc::kOk;
}

dnc::HRESULT DataTree::remove(const std::string& path) {
    const auto parts = split(path);
    if (parts.empty()) return dnc::kBadParameter;
    std::vector<std::shared_ptr<Listener>> told;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Node* parent = ownRoot();
        for (std::size_t i = 0; i + 1 < parts.size() && parent != nullptr; ++i) parent = parent->child(parts[i]);
        if (parent == nullptr) return dnc::kBadParameter;
        auto& siblings = parent->children;
        const auto it = std::find_if(siblings.begin(), siblings.end(),
                                     [&](const std::unique_ptr<Node>& c) { return c->name == parts.back(); });
        if (it == siblings.end()) return dnc::kBadParameter;
        siblings.erase(it);
        told = listenersLocked();
    }
    tell(told, canonical(path));
    return dnc::kOk;
}

dnc::HRESULT DataTree::childLeaves(const std::string& path, const std::string& leaf,
                                   std::vector<ChildLeaf>* found) const {
    if (found == nullptr) return dnc::kPointer;
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = find(path);
    if (node == nullptr) return dnc::kBadParameter;
    found->clear();
    for (const auto& c : node->children) {
        const Node* cell = c->child(leaf);
        found->emplace_back(c->name, cell == nullptr ? std::nullopt : std::optional<dnc::Variant>(cell->value));
    }
    return dnc::kOk;
}

dnc::HRESULT DataTree::values(const std::string& path, std::vector<Leaf>* found) const {
    if (found == nullptr) return dnc::kPointer;
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = find(path);
    if (node == nullptr) return dnc::kBadParameter;
    found->clear();
    const auto visit = [&](const auto& self, const Node& at, const std::string& atPath) -> void {
        found->emplace_back(atPath, at.value);
        for (const auto& c : at.children) self(self, *c, (atPath == "\\" ? std::string() : atPath) + "\\" + c->name);
    };
    visit(visit, *node, canonical(path));
    return dnc::kOk;
}

std::vector<std::shared_ptr<DataTree::Listener>> DataTree::listenersLocked() {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                    [](const std::weak_ptr<Listener>& l) { return l.expired(); }),
                     listeners_.end());
    std::vector<std::shared_ptr<Listener>> live;
    for (const auto& weak : listeners_) {
        if (auto listener = weak.lock()) live.push_back(std::move(listener));
    }
    return live;
}

// Outside the lock: a listener may read the tree.
void DataTree::tell(const std::vector<std::shared_ptr<Listener>>& listeners, const std::string& path) {
    for (const auto& listener : listeners) listener->changed(path);
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

std::shared_ptr<DataTree> DataTree::share() {
    auto copy = std::make_shared<DataTree>();
    std::lock_guard<std::mutex> lock(mutex_);
    copy->root_ = root_;
    copy->shared_ = shared_ = true;
    return copy;
}

void DataTree::listen(std::weak_ptr<Listener> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.push_back(std::move(listener));
}

}  // namespace dncsim
