#pragma once
// Shared set-up of the dialog tests, on the core's fixture with the built
// library registered: the shipped default options with a fresh databases
// folder and "always on top" off, language texts "T<n>" from a small
// language file, message boxes recorded instead of shown, and a way to act on
// a dialog while its modal loop runs.
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "CoreTestSupport.h"

class VbDialog;

namespace dialogtest {

// The language file of the tests: `count` texts, of which every number in
// `numbers` reads "T<n>".
std::string LanguageText(int count, const std::vector<int>& numbers);

class DialogTest : public coretest::LibraryTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a language file written from LanguageText.
    void LoadTexts(int count, const std::vector<int>& numbers);
    static void SetOption(long n, const std::string& value);

    // Shows the dialog modally and runs `script` once it is up and active.
    // A dialog still open after the script is unloaded and the test fails.
    static void RunModal(VbDialog& dialog, const std::function<void()>& script);

    // The texts of the message boxes shown so far.
    std::vector<std::string> Prompts() const;

    std::string dbFolder;  // the databases folder, option 5, ending in "/"
};

}  // namespace dialogtest
