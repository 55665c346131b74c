#include "dnccom/probe_report.h"

#include <windows.h>

#include <string>

#include "dnccom/component.h"
#include "dnccom/component_bitness.h"
#include "dnccom/component_names.h"
#include "dnccom/text.h"
#include "dnccom/vtable_sink.h"
#include "platform/wide_text.h"

namespace dnccom {
namespace {

std::string guidText(const GUID& guid) {
    wchar_t text[64];
    return StringFromGUID2(guid, text, 64) ? platform::toUtf8(text) : std::string();
}

std::wstring registryText(HKEY key, const wchar_t* value) {
    wchar_t text[1024];
    DWORD size = sizeof(text);
    if (RegQueryValueExW(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return {};
    return std::wstring(text, wcsnlen(text, size / sizeof(wchar_t)));
}

// The class's in-process server as one registry view sees it.
void reportView(std::ostream& out, const GUID& coclass, REGSAM view, const char* name) {
    const std::wstring path = L"CLSID\\" + platform::toWide(guidText(coclass)) + L"\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        out << "  " << name << " registry: not registered\n";
        return;
    }
    const std::wstring threading = registryText(key, L"ThreadingModel");
    out << "  " << name << " registry: " << platform::toUtf8(registryText(key, nullptr)) << ", threading model "
        << (threading.empty() ? std::string("none (single-threaded)") : platform::toUtf8(threading)) << "\n";
    RegCloseKey(key);
}

// Our call name without its property prefix, as the library names members.
std::string bare(const std::string& callName) {
    return callName.starts_with("get_") || callName.starts_with("put_") ? callName.substr(4) : callName;
}

void reportMembers(std::ostream& out, const std::vector<MemberReport>& members,
                   const std::vector<RequiredMethod>& wanted, const char* neededFor, bool* usable) {
    for (std::size_t i = 0; i < members.size(); ++i) {
        const MemberReport& member = members[i];
        const char* lost = i < wanted.size() && wanted[i].neededFor ? wanted[i].neededFor : neededFor;
        out << "    " << member.wanted << ": ";
        if (member.how == Found::missing) {
            if (!member.otherArguments.empty())
                out << "found as " << member.member << " but with other arguments ('" << member.otherArguments
                    << "': i in, o out, b both), ";
            out << "MISSING, lost: " << lost << "\n";
            *usable = false;
        } else {
            out << foundHow(member.how) << (member.member != bare(member.wanted) ? " as " + member.member : "") << "\n";
        }
    }
}

}  // namespace

bool reportComponent(std::ostream& out) {
    const int ownBits = static_cast<int>(sizeof(void*) * 8);
    const Component* component = nullptr;
    try {
        component = &Component::instance();
    } catch (const ComponentError& error) {
        out << "Type library " << Component::kLibraryName << ": " << error.what() << "\n";
        out << "This agent is a " << ownBits << "-bit program.\n";
        return false;
    }
    bool usable = true;
    out << "Type library " << Component::kLibraryName << ": version " << component->libraryVersion << ", "
        << platform::toUtf8(component->libraryPath) << "\n";
    out << "Machine class " << kMachineClass << " " << guidText(component->machineClass()) << "\n";
    reportView(out, component->machineClass(), KEY_WOW64_64KEY, "64-bit");
    reportView(out, component->machineClass(), KEY_WOW64_32KEY, "32-bit");
    out << "  this agent is a " << ownBits << "-bit program";
    if (const auto problem = otherBitnessOnly(component->machineClass())) {
        out << ": " << *problem << "\n";
        usable = false;
    } else {
        out << "\n";
    }
    const auto& interfaces = requiredInterfaces();
    for (std::size_t i = 0; i < interfaces.size() && i < component->interfaces().size(); ++i) {
        const InterfaceBinding& binding = component->interfaces()[i];
        out << "  interface " << binding.name << ": ";
        if (!binding.found()) {
            out << "MISSING, lost: " << interfaces[i].neededFor << "\n";
            usable = false;
            continue;
        }
        out << "found " << binding.foundAs
            << (binding.componentName != binding.name ? " (" + binding.componentName + ")" : "") << "\n";
        reportMembers(out, binding.report, interfaces[i].methods, interfaces[i].neededFor, &usable);
    }
    const auto& events = requiredEvents();
    for (std::size_t i = 0; i < events.size() && i < component->eventInterfaces().size(); ++i) {
        const EventBinding& binding = component->eventInterfaces()[i];
        out << "  events " << binding.name << ": ";
        if (!binding.found()) {
            out << "MISSING, lost: " << events[i].neededFor << "\n";
            usable = false;
            continue;
        }
        out << (binding.kind == EventKind::dispatch ? "dispinterface"
                : binding.kind == EventKind::dual   ? "dual interface, called through the vtable"
                                                    : "custom interface, called through the vtable");
        if (binding.kind != EventKind::dispatch && eventVtable(binding) == nullptr) {
            out << ", which the agent cannot build (" << vtableProblem(binding) << "), lost: " << events[i].neededFor;
            usable = false;
        }
        out << "\n";
        reportMembers(out, binding.report, events[i].methods, events[i].neededFor, &usable);
    }
    for (const auto& constant : component->constants()) {
        out << "  constant " << constant.wanted << ": ";
        if (constant.constant.empty()) {
            out << "MISSING\n";
            usable = false;
        } else {
            out << (constant.byName ? std::string("by name") : "as " + constant.constant) << "\n";
        }
    }
    if (IsEqualGUID(component->fileAttributesClass(), GUID{})) {
        out << "  class of attribute sets: MISSING, lost: readDirectory and deleteDirectoryTree\n";
        usable = false;
    }
    return usable;
}

}  // namespace dnccom
