#include "agent/topics.h"

namespace nolt {

std::vector<std::string> splitTopic(const std::string& topic) {
    std::vector<std::string> levels;
    std::string::size_type start = 0;
    while (true) {
        auto slash = topic.find('/', start);
        levels.push_back(topic.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return levels;
}

ReceivedTopic classifyTopic(const std::string& topic) {
    auto levels = splitTopic(topic);
    ReceivedTopic received;
    if (levels.size() == 4 && levels[3] == kClientInfoLevel) {
        received.kind = ReceivedTopic::ClientInfo;
        received.clientId = topic.substr(0, topic.size() - std::string("/").size() - levels[3].size());
    } else if ((levels.size() == 1 || levels.size() == 2) && levels.back() == kDiscoveryLevel) {
        received.kind = ReceivedTopic::Discovery;
    } else if (levels.size() == 5) {
        received.kind = ReceivedTopic::Call;
        received.className = levels[2];
        received.instance = levels[3];
        received.function = levels[4];
    }
    return received;
}

std::string functionName(const std::string& key) { return key.substr(0, key.find('-')); }

}  // namespace nolt
