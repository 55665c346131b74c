#include "host/usage.h"

namespace heidenhain {

std::string usageText() {
    return "Usage: heidenhain-agent -d DOMAIN -a AGENT [OPTIONS]\n"
           "       heidenhain-agent /Service BROKER_HOST [OPTIONS]   install as a Windows service\n"
           "       heidenhain-agent /UnregServer                     remove the service\n"
           "\n"
           "  -d DOMAIN              protocol domain, the first level of every topic\n"
           "  -a AGENT               agent name, the second level\n"
           "  -b URI                 broker (default ssl://localhost:8883; tcp://HOST:PORT without TLS)\n"
           "  -u USER, -P PASSWORD   broker credentials\n"
           "  -t TOKEN               token, sent as user \"__token__\"\n"
           "  --cafile FILE          CA certificates that the broker's certificate must chain to\n"
           "  --cert FILE, --key FILE, --keypass PASSWORD\n"
           "                         client certificate and its key\n"
           "  --insecure             do not verify the broker's certificate and host name\n"
           "  -w WORKERS             workers started on demand beyond one per machine (default 256)\n"
           "  --max-request-bytes N  longest request accepted (default 67108864)\n"
           "  --sparkplug GROUP      also publish every machine as a Sparkplug B device of GROUP\n"
           "  -p FILE                plugin file, recorded only\n"
           "  --help                 this text; the agent does not start\n";
}

}  // namespace heidenhain
