// On Windows the spooler signs in to print servers as the Windows user;
// a user name and password of the run's own cannot be honoured.
#include "print/PrinterLogin.h"

#include "plat/ChoiceParameter.h"

void usePrinterLogin(const std::optional<std::string>& user, const std::optional<std::string>& passwordFile) {
    const std::string setting = user ? "User=" + *user : "PasswordFile=" + passwordFile.value_or("");
    throw plat::BadParameterValue(
        (setting + " is not accepted: on Windows the spooler signs in to print servers as the Windows user").c_str());
}
