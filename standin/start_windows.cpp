#include "standin/dialogs.h"
#include "standin/run_parts.h"
#include "standin/scenario.h"
#include "standin/texts.h"

namespace {

constexpr int WrongAfterDialog = 101;  // the log-in ended first, the wrong-password box follows

// A configurator that shows nothing more: idle, with no window, until it is ended from outside.
[[noreturn]] void WaitWithoutWindows() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    EndProcess(0);
}

}  // namespace

bool PassStartWindows() {
    if (Plan.Number("register", 0)) {
        DialogSpec spec;
        spec.name = "register";
        spec.title = Plan.Text("register_title", RegistrationTitle);
        spec.labels = {"Наименование:"};
        spec.field = Field::Edit;
        spec.fieldText = Run.baseDir;
        spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
        spec.defaultId = IDOK;
        if (RunDialog(spec).id != IDOK) return false;
    }
    if (Plan.Number("login", 1)) {
        std::string expected = Plan.Text("password");
        const std::string retry = Plan.Text("login_retry", "new");
        bool sameWindow = retry == "same";
        bool boxAfter = retry == "after" || retry == "never";
        while (true) {
            DialogSpec spec;
            spec.name = "login";
            spec.title = LoginTitle;
            spec.labels = {"Пользователь:", "Пароль:"};
            spec.comboBefore = Plan.Text("login_user", "Администратор");
            spec.field = Field::PasswordEdit;
            spec.buttons = {{IDOK, "OK"}, {IDCANCEL, "Отмена"}};
            spec.defaultId = IDOK;
            spec.onPress = [&](HWND dialog, int id, const std::string& typed) {
                if (id != IDOK || typed == expected) return true;
                if (boxAfter) {
                    EndDialog(dialog, WrongAfterDialog);
                    return false;
                }
                RunMessageBox("login_wrong", dialog, WrongPasswordText);
                if (sameWindow) {
                    SetDlgItemTextA(dialog, FieldId, "");
                    return false;
                }
                EndDialog(dialog, RetryDialog);
                return false;
            };
            DialogResult result = RunDialog(spec);
            if (result.id == IDOK) break;
            if (result.id == IDCANCEL || result.id == 0) return false;
            if (result.id == WrongAfterDialog) {
                RunMessageBox("login_wrong", nullptr, WrongPasswordText);
                if (retry == "never") WaitWithoutWindows();
            }
        }
    }
    if (Plan.Text("lock") == "start") {
        RunMessageBox("lock", nullptr, MetadataLockedText);
        return false;
    }
    return true;
}
