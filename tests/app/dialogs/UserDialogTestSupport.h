#pragma once
// Shared set-up of the user dialogs' tests: the texts those dialogs and the
// password dialog use, users made and logged in by the core's own code,
// typed input, scripted answers to message boxes, and a way to act on a
// dialog that another dialog opens.
#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "DialogTestSupport.h"
#include "app/dialogs/VbDialog.h"

class QLineEdit;

namespace dialogtest {

// Write faults in the library's file writes only (the database saves), so
// the program's own small writes (the options file) still go through.
class LibraryOnlyWriteFaults {
public:
    explicit LibraryOnlyWriteFaults(const plat::WriteFaults& faults) : faults_(faults) { plat::ClearWriteFaults(); }

private:
    coretest::ScopedLibraryWriteFaults faults_;
};

class UserDialogTest : public DialogTest {
protected:
    void SetUp() override;

    // A new user file made by the core; its path.
    std::string MakeUser(const std::string& name, const std::string& password);
    // Logs a user in as the password dialog's OK would.
    void LogIn(const std::string& name, const std::string& password);
    // Adds one record to the logged-in user's database (not saved).
    static void AddRecord(const std::string& title);
    // Each named label, button or check box of the dialog shows its text.
    static void ExpectCaptions(const QWidget& dialog, const std::vector<std::pair<const char*, QString>>& captions);
    // Each named text box of the dialog shows "*" for what is typed.
    static void ExpectMasked(const QWidget& dialog, const std::vector<const char*>& boxes);

    // The MD5 text of a password.
    static std::string Md5(const std::string& password);

    // Replaces a box's text as the user types it; text beyond ASCII, which
    // key events cannot carry, is put in as an input method would.
    static void Type(QLineEdit* box, const QString& text);

    // The message boxes answer with these results in turn (then with OK);
    // every box is recorded in `boxes`. `during` runs while a box is up.
    void Answer(std::deque<int> answers, std::function<void()> during = {});

    // Runs `script` on the dialog of type T that opens next, on top of the
    // one running now. Fails the test when none opens or it stays open.
    template <class T>
    static void OnNextDialog(std::function<void(T&)> script) {
        OnNextDialog([script](VbDialog& d) {
            auto* dialog = dynamic_cast<T*>(&d);
            if (!dialog) {
                ADD_FAILURE() << "another dialog opened: " << d.TraceName();
                return;
            }
            script(*dialog);
        });
    }
    static void OnNextDialog(std::function<void(VbDialog&)> script);
};

}  // namespace dialogtest
