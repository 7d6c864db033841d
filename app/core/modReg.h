#pragma once
// Registration of a component file: runs its self-registration entry.
#include <cstdint>
#include <string>

namespace modReg {

std::string DumpModuleVars();

// Runs DllRegisterServer (lngLoad not 0) or DllUnregisterServer of the
// library strReg on a thread of its own, waiting at most 10 seconds.
// strContName is a display name only. Nothing is reported to the caller; a
// file that is not there is skipped, and any other failure is logged.
void Reg(const std::string& strContName, const std::string& strReg, std::int32_t lngLoad);

}  // namespace modReg
