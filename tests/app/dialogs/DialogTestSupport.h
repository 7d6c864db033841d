#pragma once
// Shared set-up of the dialog tests: a fresh program folder and databases
// folder, language texts "T<n>" from a small language file, options with the
// databases folder and "always on top" off, message boxes recorded instead of
// shown, and a way to act on a dialog while its modal loop runs.
#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"

class VbDialog;

namespace dialogtest {

struct ShownBox {
    std::string prompt;
    int style;
    std::string title;
};

// The language file of the tests: `count` texts, of which every number in
// `numbers` reads "T<n>".
std::string LanguageText(int count, const std::vector<int>& numbers);

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a language file written from LanguageText.
    void LoadTexts(int count, const std::vector<int>& numbers);
    // Option n of ProgConfig.
    static void SetOption(long n, const std::string& value);

    // Shows the dialog modally and runs `script` once it is up and active.
    // A dialog still open after the script is unloaded and the test fails.
    static void RunModal(VbDialog& dialog, const std::function<void()>& script);

    // The texts of the message boxes shown so far.
    std::vector<std::string> Prompts() const;

    qpmtest::TempDir dir;
    std::string dbFolder;  // the databases folder, option 5, ending in "/"
    std::vector<ShownBox> boxes;
};

}  // namespace dialogtest
