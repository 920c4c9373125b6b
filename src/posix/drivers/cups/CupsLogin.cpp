#include "posix/drivers/cups/CupsLogin.h"

#include <algorithm>
#include <optional>
#include <set>

namespace posix {

namespace {

enum class Trouble { None, NoPassword, Refused };

struct Login {
    std::string user;
    std::optional<std::string> password;
    std::set<http_t*> answered;    // connections that were given the password
    Trouble trouble = Trouble::None;

    ~Login() {
        if (password) std::fill(password->begin(), password->end(), '\0');
    }
};

Login& login() {
    static Login state;
    return state;
}

const char* answer(const char* /*prompt*/, http_t* http, const char* /*method*/,
                   const char* /*resource*/, void* /*data*/) {
    Login& state = login();
    if (!state.password) {
        state.trouble = Trouble::NoPassword;
        return nullptr;
    }
    if (state.trouble == Trouble::Refused || !state.answered.insert(http).second) {
        state.trouble = Trouble::Refused;
        return nullptr;
    }
    return state.password->c_str();
}

const char* const kHowToGive =
    "PasswordFile=PATH (the password on the file's first line, the file readable by its owner alone)";

}  // namespace

void useLogin(const char* user, const char* password) {
    Login& state = login();
    state.user = user ? user : "";
    if (password)
        state.password = password;
    else
        state.password.reset();
    state.answered.clear();
    state.trouble = Trouble::None;
    if (!state.user.empty()) cupsSetUser(state.user.c_str());
}

void answerPasswordQuestions() { cupsSetPasswordCB2(answer, nullptr); }

void forgetConnection(http_t* http) { login().answered.erase(http); }

std::string loginTrouble() {
    const Login& state = login();
    switch (state.trouble) {
        case Trouble::None:
            return "";
        case Trouble::NoPassword:
            if (!state.user.empty())
                return "the print server asks for the password of " + state.user + ": give it with " + kHowToGive;
            return std::string("the print server asks for a user name and password: give them with User=NAME and ") +
                   kHowToGive;
        case Trouble::Refused:
            return "the print server did not accept the user name " + std::string(cupsUser()) +
                   " with the password of PasswordFile; it was not tried again";
    }
    return "";
}

bool isLoginStatus(ipp_status_t status) {
    return status == IPP_STATUS_ERROR_NOT_AUTHENTICATED || status == IPP_STATUS_ERROR_NOT_AUTHORIZED ||
           status == IPP_STATUS_ERROR_FORBIDDEN || status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
}

}  // namespace posix
