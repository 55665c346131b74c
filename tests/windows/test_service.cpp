// A small service for the service tests: the real start step and service
// layer around a run step that only logs, first where it runs from and in
// which folder. Wine keeps no event log that can be read back, so every event
// also goes, as "<source>/<type>: <text>", to a journal file beside the
// executable.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "host/command_line.h"
#include "host/log_event.h"
#include "host/service_start.h"
#include "platform/eventlog.h"
#include "platform/module_path.h"
#include "platform/stop_signal.h"
#include "platform/wide_text.h"
#include "tests/windows/test_service_files.h"

namespace {

class JournalSink : public platform::EventSink {
public:
    explicit JournalSink(std::string path) : path_(std::move(path)) {}
    void write(const std::string& source, int type, const std::string& text) override {
        platform::systemEventSink()->write(source, type, text);
        std::lock_guard<std::mutex> lock(mutex_);
        std::ofstream(windowstest::widePath(path_), std::ios::app) << source << '/' << type << ": " << text << '\n';
    }

private:
    std::mutex mutex_;
    std::string path_;
};

}  // namespace

int main(int argc, char** argv) {
    platform::blockStopSignals();
    platform::setEventSink(std::make_shared<JournalSink>(windowstest::testServiceJournal()));
    heidenhain::logEvent("%s", heidenhain::processCommandLine(argc, argv).c_str());
    return heidenhain::startService(
        [](const std::function<void()>& waitForStop) {
            heidenhain::logEvent("Started test service");
            heidenhain::logEvent("Running %s in %s", platform::modulePath().c_str(),
                                 platform::toUtf8(std::filesystem::current_path().wstring()).c_str());
            reportAgentEvent("Test service running", platform::EventInformation);
            waitForStop();
            heidenhain::logEvent("Stopped test service");
            return 0;
        },
        [] { platform::waitForStopSignal(); });
}
