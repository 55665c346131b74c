#include "agent/local_factory.h"

#include <string_view>

#include "agent/instance_ids.h"
#include "agent/text_error.h"
#include "agent/topic_rules.h"
#include "agent/topics.h"

namespace nolt {

namespace {
// A name becomes one level of the instance's topics, next to the agent's
// prefix, the class and a function name: far below MQTT's limit of a topic.
constexpr std::size_t kMaxInstanceNameBytes = 1024;

// A long name is not repeated whole in the error.
std::string quotedName(const std::string& name) {
    constexpr std::size_t kShown = 64;
    return "\"" + (name.size() <= kShown ? name : name.substr(0, kShown) + "...") + "\"";
}
}  // namespace

LocalFactory& LocalFactory::instance() {
    static LocalFactory* factory = new LocalFactory();  // lives until the process ends
    return *factory;
}

void LocalFactory::ensureClass(const std::string& className) {
    std::lock_guard<std::mutex> lock(mutex_);
    memberFunctions_[className];
}

void LocalFactory::setQueueOf(const std::string& className,
                              std::function<std::shared_ptr<SerialQueue>(const std::any&)> queueOf) {
    std::lock_guard<std::mutex> lock(mutex_);
    queueOf_[className] = std::move(queueOf);
}

void LocalFactory::addMemberFunction(const std::string& className, const std::string& key,
                                     std::shared_ptr<Function> function) {
    std::lock_guard<std::mutex> lock(mutex_);
    memberFunctions_[className][key] = std::move(function);
}

void LocalFactory::addStaticFunction(const std::string& context, const std::string& key,
                                     std::shared_ptr<Function> function) {
    std::lock_guard<std::mutex> lock(mutex_);
    staticFunctions_[context][key] = std::move(function);
}

const LocalFactory::FunctionMap* LocalFactory::functionsLocked(const std::string& context, std::any* instance) const {
    if (auto found = instances_.find(context); found != instances_.end()) {
        auto functions = memberFunctions_.find(found->second.className);
        if (functions == memberFunctions_.end()) return nullptr;
        *instance = found->second.value;
        return &functions->second;
    }
    auto functions = staticFunctions_.find(context);
    return functions == staticFunctions_.end() ? nullptr : &functions->second;
}

void LocalFactory::call(nlohmann::json& message) {
    std::shared_ptr<Function> entry;
    std::any instance;
    {
        const std::string context = message["context"].get<std::string>();
        const std::string method = message["method"].get<std::string>();
        auto& data = message["data"];
        if (data.is_null()) data = nlohmann::json::object();
        if (!data.is_object()) {
            // There is nowhere to put "e" otherwise.
            data = nlohmann::json::object({{"e", "Request \"data\" must be an object"}});
            return;
        }
        std::string signature;
        for (const auto& value : data) signature += value.type_name();
        const std::string key = signature.empty() ? method : method + "-" + signature;

        std::lock_guard<std::mutex> lock(mutex_);
        const FunctionMap* functions = functionsLocked(context, &instance);
        if (functions == nullptr) {
            message["data"]["e"] = "Could not find context: " + context;
            return;
        }
        auto function = functions->find(key);
        if (function == functions->end()) {
            message["data"]["e"] = "Could not find function: " + key;
            return;
        }
        entry = function->second;
    }
    // Called without the lock: a remote function may block for seconds.
    entry->call(message, instance);
}

std::string LocalFactory::create(const std::string& className, const std::function<std::any()>& construct) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::any instance = construct();
    std::string id;
    do id = randomInstanceId();
    while (instances_.count(id) || memberFunctions_.count(id));
    addInstanceLocked(className, id, std::move(instance));
    return id;
}

std::string LocalFactory::createNamed(const std::string& className, const std::string& name,
                                      const std::function<std::any()>& construct) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (instances_.count(name)) return name;
    // A class name as instance id would replace the class's factory functions.
    if (memberFunctions_.count(name)) throw TextError("Instance name must not be a class name: " + name);
    // The name becomes one topic level of the instance's functions.
    std::optional<std::string> problem = topicLevelProblem(name);
    if (!problem && name == "__static__") problem = "it is reserved";
    if (!problem && name.size() > kMaxInstanceNameBytes) {
        problem = "it is longer than " + std::to_string(kMaxInstanceNameBytes) + " bytes";
    }
    if (problem) throw TextError("Invalid instance name: " + quotedName(name) + ", " + *problem);
    addInstanceLocked(className, name, construct());
    namedInstances_[name] = className;
    return name;
}

void LocalFactory::addInstanceLocked(const std::string& className, const std::string& id, std::any instance) {
    auto queueOf = queueOf_.find(className);
    auto queue = queueOf == queueOf_.end() ? nullptr : queueOf->second(instance);
    instances_[id] = Instance{std::move(instance), className, std::move(queue)};
}

std::string LocalFactory::getNamed(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (instances_.count(name)) return name;
    // Made in room of its size: a name may be a client's text of tens of MB.
    const std::string_view before = "Instance with id: ", after = " does not exist";
    std::string text;
    text.reserve(before.size() + name.size() + after.size());
    throw TextError(std::move(text.append(before).append(name).append(after)));
}

bool LocalFactory::remove(const std::string& id, const std::string& className) {
    // The removed handle is released after the lock: the last one runs the
    // instance's destructor, which may block.
    std::any instance;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = instances_.find(id);
        if (found == instances_.end()) return false;
        if (!className.empty() && found->second.className != className) return false;
        instance = std::move(found->second.value);
        instances_.erase(found);
        namedInstances_.erase(id);
    }
    return true;
}

void LocalFactory::clearInstances() {
    std::vector<std::string> ids;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : instances_) ids.push_back(entry.first);
    }
    for (const auto& id : ids) remove(id);
}

bool LocalFactory::hasInstance(const std::string& id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return instances_.count(id) != 0;
}

std::any LocalFactory::instanceOf(const std::string& id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = instances_.find(id);
    return found == instances_.end() ? std::any() : found->second.value;
}

bool LocalFactory::isNamed(const std::string& id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return namedInstances_.count(id) != 0;
}

std::shared_ptr<SerialQueue> LocalFactory::callQueueOf(const std::string& id, const std::string& function) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = instances_.find(id);
    if (found == instances_.end() || !found->second.queue) return nullptr;
    auto quick = quickFunctions_.find(found->second.className);
    if (quick != quickFunctions_.end() && quick->second.count(functionName(function)) != 0) return nullptr;
    return found->second.queue;
}

void LocalFactory::setQuickFunctions(const std::string& className, std::set<std::string> names) {
    std::lock_guard<std::mutex> lock(mutex_);
    quickFunctions_[className] = std::move(names);
}

std::vector<std::string> LocalFactory::classNames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    for (const auto& entry : memberFunctions_) names.push_back(entry.first);
    return names;
}

std::vector<std::string> LocalFactory::memberFunctionKeys(const std::string& className) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> keys;
    auto found = memberFunctions_.find(className);
    if (found != memberFunctions_.end()) {
        for (const auto& entry : found->second) keys.push_back(entry.first);
    }
    return keys;
}

std::vector<std::string> LocalFactory::staticFunctionKeys(const std::string& className) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> keys;
    auto found = staticFunctions_.find(className);
    if (found != staticFunctions_.end()) {
        for (const auto& entry : found->second) keys.push_back(entry.first);
    }
    return keys;
}

std::vector<std::string> LocalFactory::namedInstances(const std::string& className) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    for (const auto& [id, cls] : namedInstances_) {
        if (cls == className) names.push_back(id);
    }
    return names;
}

}  // namespace nolt
