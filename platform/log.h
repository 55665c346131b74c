#pragma once
// The one path of every line the agent writes about itself. In the
// foreground, information goes to standard output and warnings and errors to
// standard error, as written. Under the service manager those go nowhere, so
// warnings and errors also reach the event log (source
// "Orvane Heidenhain Agent"). Tests see them through the console streams and
// the event log's sink.
#include <string>

namespace platform {

// Notice: a line of standard output that is worth the event log as a warning
// (a lost broker connection).
enum class Severity { Information, Notice, Warning, Error };

struct LogLine {
    Severity severity = Severity::Information;
    std::string text;
    // False: a progress text that a later line completes.
    bool endLine = true;
    // The caller writes its own event log entry of it (texts the event log
    // has always had); the line then goes to the console only.
    bool eventLogged = false;
};

void log(const LogLine& line);
inline void logInformation(const std::string& text) { log({Severity::Information, text}); }
inline void logNotice(const std::string& text) { log({Severity::Notice, text}); }
inline void logWarning(const std::string& text) { log({Severity::Warning, text}); }
inline void logError(const std::string& text) { log({Severity::Error, text}); }
// Progress that a later line completes ("Connecting to the MQTT server... ").
inline void logProgress(const std::string& text) { log({Severity::Information, text, false}); }
// A line whose event log entry the caller writes itself.
inline void logConsole(Severity severity, const std::string& text) { log({severity, text, true, true}); }

// Whether the process runs under the service manager. True from start until
// the start step has decided the mode: until then nothing may assume that a
// console is watching.
bool isServiceMode();
void setServiceMode(bool serviceMode);

}  // namespace platform
