#pragma once
// The DataAccess tree of one simulated controller: named entries addressed by
// backslash paths (\PLC\memory\M\100), each with a value and children in the
// order they were made. Writers are told to the tree's listeners, so that
// subscriptions can raise their data events.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dnc/result.h"
#include "dnc/variant.h"

namespace dncsim {

enum class Family;

// Attempt to alter protected data: the answer to a write of a read-only entry.
inline constexpr dnc::HRESULT kProtectedData = dnc::code(0x8004026D);
// Unable to insert a record: the answer to an entry that is there already.
inline constexpr dnc::HRESULT kInsertFailed = dnc::code(0x800402C9);

class DataTree {
public:
    // Told the canonical path of every entry whose value changed.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void changed(const std::string& path) = 0;
    };

    DataTree();
    ~DataTree();
    DataTree(const DataTree&) = delete;
    DataTree& operator=(const DataTree&) = delete;

    // The deterministic demo content of a control of the family.
    static std::shared_ptr<DataTree> demo(Family family);
    // A new tree with this one's content (no listeners). The two share their
    // entries until either changes: a thousand controls that never write
    // their demo content hold one copy of it.
    std::shared_ptr<DataTree> share();

    // "\A\B" for "A\B", "\A\B\" and "\\A\B": the form paths are compared in.
    static std::string canonical(const std::string& path);
    // True when `path` is `root` or lies below it (both canonical).
    static bool covers(const std::string& root, const std::string& path);

    // Makes the entry and the entries above it that are missing.
    void add(const std::string& path, dnc::Variant value, bool readOnly = false);

    bool exists(const std::string& path) const;
    // kBadParameter when there is no such entry.
    dnc::HRESULT read(const std::string& path, dnc::Variant* value) const;
    dnc::HRESULT readOnly(const std::string& path, bool* readOnly) const;
    // The names of the entry's children, in order.
    dnc::HRESULT children(const std::string& path, std::vector<std::string>* names) const;
    // kBadParameter without the entry, kProtectedData for a read-only one
    // unless `control` (the control itself writes); listeners hear of a
    // successful write, on the writer's thread.
    dnc::HRESULT write(const std::string& path, dnc::Variant value, bool control = false);

    // Makes `name` below `parent` with the given leaves in order, in one step;
    // kBadParameter without the parent, kInsertFailed when the name is taken.
    // Listeners hear of the new entry.
    using Leaf = std::pair<std::string, dnc::Variant>;
    dnc::HRESULT insert(const std::string& parent, const std::string& name, const std::vector<Leaf>& leaves);
    // Takes the entry and everything below it away; kBadParameter without it.
    // Listeners hear of the removed entry.
    dnc::HRESULT remove(const std::string& path);

    // For each child of `path` in order: its name and the value of its own
    // child `leaf` (none when it lacks one), read in one step.
    using ChildLeaf = std::pair<std::string, std::optional<dnc::Variant>>;
    dnc::HRESULT childLeaves(const std::string& path, const std::string& leaf, std::vector<ChildLeaf>* found) const;
    // The entry and every entry below it, with their canonical paths and values.
    dnc::HRESULT values(const std::string& path, std::vector<Leaf>* found) const;

    // A detached copy of the entry and everything below it, at the same path:
    // what a data event hands out, unaffected by later writes.
    std::shared_ptr<DataTree> snapshot(const std::string& path) const;

    // Listeners are held weakly and dropped once gone.
    void listen(std::weak_ptr<Listener> listener);

private:
    struct Node;
    Node* find(const std::string& path) const;
    // The root to change, copied first while it is shared; needs mutex_ held.
    Node* ownRoot();
    // The live listeners, to be told outside the lock; called with it held.
    std::vector<std::shared_ptr<Listener>> listenersLocked();
    static void tell(const std::vector<std::shared_ptr<Listener>>& listeners, const std::string& path);

    mutable std::mutex mutex_;
    std::shared_ptr<Node> root_;
    bool shared_ = false;  // root_ is also another tree's: copy before changing
    std::vector<std::weak_ptr<Listener>> listeners_;
};

}  // namespace dncsim
