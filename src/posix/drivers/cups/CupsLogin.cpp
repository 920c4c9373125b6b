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
    std::string basic;              // base64 of user:password
    std::set<http_t*> signedIn;     // connections that send it
    std::set<http_t*> answered;     // connections given the password for another scheme
    bool everywhere = false;        // the server asked for it beyond jobs
    bool attached = false;          // a request failed before it was sent
    Trouble trouble = Trouble::None;

    ~Login() {
        if (password) std::fill(password->begin(), password->end(), '\0');
        std::fill(basic.begin(), basic.end(), '\0');
    }
};

Login& login() {
    static Login state;
    return state;
}

bool offersBasic(http_t* http) {
    const char* schemes = httpGetField(http, HTTP_FIELD_WWW_AUTHENTICATE);
    return schemes && std::string(schemes).find("Basic") != std::string::npos;
}

// CUPS asks when a server answered a request "unauthorized". A connection
// that sent the password was refused. One that did not gets it for its
// next requests (and so do all later connections), the request failing
// this once. Only a server that wants another scheme than Basic (Digest)
// has CUPS send the password, once per connection.
const char* answer(const char* /*prompt*/, http_t* http, const char* /*method*/,
                   const char* /*resource*/, void* /*data*/) {
    Login& state = login();
    if (!state.password) {
        state.trouble = Trouble::NoPassword;
        return nullptr;
    }
    if (state.trouble == Trouble::Refused || state.signedIn.count(http) != 0) {
        state.trouble = Trouble::Refused;
        return nullptr;
    }
    if (!offersBasic(http)) {
        if (state.answered.insert(http).second) return state.password->c_str();
        state.trouble = Trouble::Refused;
        return nullptr;
    }
    state.everywhere = true;
    state.attached = true;
    signInOn(http, true);
    return nullptr;
}

const char* const kHowToGive =
    "PasswordFile=PATH (the password on the file's first line, the file readable by its owner alone)";

}  // namespace

void useLogin(const char* user, const char* password) {
    Login& state = login();
    state.user = user ? user : "";
    if (!state.user.empty()) cupsSetUser(state.user.c_str());
    std::fill(state.basic.begin(), state.basic.end(), '\0');
    state.basic.clear();
    state.password.reset();
    if (password) {
        state.password = password;
        const std::string pair = std::string(cupsUser()) + ":" + password;
        std::string encoded(pair.size() * 4 / 3 + 8, '\0');
        httpEncode64_2(encoded.data(), static_cast<int>(encoded.size()), pair.data(), static_cast<int>(pair.size()));
        encoded.resize(std::char_traits<char>::length(encoded.c_str()));
        state.basic = std::move(encoded);
    }
    state.answered.clear();
    state.signedIn.clear();
    state.everywhere = false;
    state.attached = false;
    state.trouble = Trouble::None;
}

void answerPasswordQuestions() { cupsSetPasswordCB2(answer, nullptr); }

void signInOn(http_t* http, bool forJobs) {
    Login& state = login();
    if (!http || state.basic.empty() || !(forJobs || state.everywhere)) return;
    httpSetAuthString(http, "Basic", state.basic.c_str());
    state.signedIn.insert(http);
}

bool loginJustAttached() {
    Login& state = login();
    const bool attached = state.attached;
    state.attached = false;
    return attached;
}

void forgetConnection(http_t* http) {
    login().answered.erase(http);
    login().signedIn.erase(http);
}

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
