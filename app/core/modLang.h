#pragma once
// The language texts: numbered strings from the language file named by
// option 14, loaded once at start-up and looked up by number.
#include <cstdint>
#include <string>

#include "app/trace/VbArray.h"

namespace modLang {

// The texts, 1-based; never dimensioned before the first LoadLang.
extern trace::VbArray<std::string> TxtMas;

std::string DumpModuleVars();

// Loads a language file: the first line is the number of texts N, then
// "#" comment lines and "n=text" lines. Bad input raises a run-time error.
void LoadLang(const std::string& LangFile);
// Text number TxtIdent, or "#Error in language module#" (with a log line)
// when no such text can exist.
std::string Texts(std::int32_t TxtIdent);

}  // namespace modLang
