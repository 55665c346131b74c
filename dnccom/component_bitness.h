#pragma once
// For which bitness the vendor's component is registered, read from the
// registry and its type library without loading or instantiating anything:
// what the probe reports, and what the Windows package checks before it
// installs an agent that loads the component into its own process.
#include <guiddef.h>

#include <optional>
#include <string>

namespace dnccom {

// Why a program of this bitness cannot load the class: it is registered for
// programs of the other bitness only. None when this bitness can load it,
// or nobody can.
std::optional<std::string> otherBitnessOnly(const GUID& coclass);

// Why an agent of this bitness cannot use the installed component: it is
// not installed, or its machine class is registered for the other bitness
// only. None otherwise (what else it lacks, the probe tells).
std::optional<std::string> componentInstallProblem();

}  // namespace dnccom
